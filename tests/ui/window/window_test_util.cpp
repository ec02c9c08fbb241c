#include "window_test_util.h"

#include <QAction>
#include <QApplication>
#include <QStandardPaths>
#include <QTimer>
#include <gtest/gtest.h>

#include "ui/dialogs/progress_form.h"

namespace pelko::test {

QString TScriptedFileDialogs::Next(const Asked& asked) {
    if (Record) Record->push_back(asked);
    return Answers.isEmpty() ? QString() : Answers.takeFirst();
}

QString TScriptedFileDialogs::OpenName(const QString& title, const QString& folder) {
    return Next({title, folder, {}});
}

QString TScriptedFileDialogs::SaveName(const QString& title, const QString& folder, const QString& name) {
    return Next({title, folder, name});
}

TWindowFixture::TWindowFixture(TStartOptions options) {
    QStandardPaths::setTestModeEnabled(true);  // remembered ports stay out of the user's settings
    Form = std::make_unique<TMainForm>(std::move(options));
    auto files = std::make_unique<TScriptedFileDialogs>();
    files->Record = &Asked;
    Files = files.get();
    Form->SetFileDialogs(std::move(files));
    Form->BoxHook = [this](const std::string& caption, const std::string& text, TMsgIcon) {
        Boxes.push_back({caption, text});
        return true;
    };
}

void OnNextModal(std::function<void(QWidget* dialog)> act) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || qobject_cast<TProgressForm*>(modal) != nullptr) return;
        timer->stop();
        timer->deleteLater();
        act(modal);
    });
    timer->start();
}

void Trigger(TMainForm& form, const char* action) {
    QAction* a = form.findChild<QAction*>(QString::fromLatin1(action));
    ASSERT_NE(a, nullptr) << action;
    a->trigger();
}

}  // namespace pelko::test
