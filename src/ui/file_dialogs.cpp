#include "ui/file_dialogs.h"

#include <QFileDialog>

namespace pelko {
namespace {

class TQtFileDialogs : public TFileDialogs {
public:
    explicit TQtFileDialogs(QWidget* owner) : FOwner(owner) {}

    QString OpenName(const QString& title, const QString& folder) override {
        QFileDialog dialog(FOwner, title, folder);
        Prepare(dialog);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        return Run(dialog);
    }

    QString SaveName(const QString& title, const QString& folder, const QString& name) override {
        QFileDialog dialog(FOwner, title, folder);
        Prepare(dialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.selectFile(name);
        return Run(dialog);
    }

private:
    static void Prepare(QFileDialog& dialog) {
        dialog.setNameFilters({QStringLiteral("Текстовые (*.txt)"), QStringLiteral("Все файлы (*)")});
        dialog.selectNameFilter(QStringLiteral("Текстовые (*.txt)"));
        dialog.setDefaultSuffix(QStringLiteral("txt"));
    }

    static QString Run(QFileDialog& dialog) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
        return dialog.selectedFiles().front();
    }

    QWidget* FOwner;
};

}  // namespace

std::unique_ptr<TFileDialogs> MakeQtFileDialogs(QWidget* owner) { return std::make_unique<TQtFileDialogs>(owner); }

}  // namespace pelko
