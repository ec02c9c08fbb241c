#include "ui/dialogs/about_form.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialogs/a_internet_label.h"
#include "ui/dialogs/dialog_util.h"

namespace pelko {
namespace {
constexpr int kEmblemSize = 34;
}

QString VersionLine(const TVersion& v) {
    return QStringLiteral("ver %1.%2%3 build %4")
        .arg(v.major)
        .arg(v.minor < 10 ? QStringLiteral("0") : QString())
        .arg(v.minor)
        .arg(v.build);
}

QString TAboutForm::LinkText(const QUrl& homePage) {
    return homePage.isLocalFile() ? QFileInfo(homePage.toLocalFile()).fileName() : homePage.toDisplayString();
}

TAboutForm::TAboutForm(QWidget* parent, const TVersion& version, const QUrl& homePage, const QIcon& emblem,
                       const QString& linkText)
    : QDialog(parent), HomePage_(homePage) {
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("О программе ..."));

    auto* image = Named(new QLabel, "Image", QStringLiteral("ConfPelkoQ250"));
    image->setFixedSize(kEmblemSize, kEmblemSize);
    image->setPixmap(emblem.pixmap(QSize(kEmblemSize, kEmblemSize), devicePixelRatioF()));

    // The maker stays unnamed: the program's own name and the year instead.
    const QString product = QStringLiteral("Программа для конфигурирования контроллера Pelko-Q250  версии 11 и старше."
                                           "\nConfPelkoQ250, 2026");
    auto* productLabel = Named(new QLabel(product), "ProductLabel", product);
    productLabel->setTextFormat(Qt::PlainText);
    productLabel->setWordWrap(true);
    productLabel->setMinimumWidth(productLabel->fontMetrics().averageCharWidth() * 32);

    const QString versionText = VersionLine(version);
    VerLabel_ = Named(new TAInternetLabel(versionText), "VerLabel", versionText);
    VerLabel_->setEnabled(QFileInfo::exists(QStringLiteral("Version.txt")));

    auto* bevel = Named(new QFrame, "Bevel", QString());
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);

    const QString link = linkText.isEmpty() ? LinkText(homePage) : linkText;
    WwwLabel_ = Named(new TAInternetLabel(link), "wwwLabel", link);
    WwwLabel_->setCursor(Qt::PointingHandCursor);
    WwwLabel_->setToolTip(homePage.toDisplayString());
    connect(WwwLabel_, &TAInternetLabel::clicked, this, [this] { OpenHomePage(); });

    auto* close = Named(new QPushButton(QStringLiteral("Закрыть")), "CloseButton", QStringLiteral("Закрыть"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QGridLayout;
    top->addWidget(image, 0, 0, Qt::AlignTop);
    top->addWidget(productLabel, 0, 1);
    top->addWidget(VerLabel_, 1, 1, Qt::AlignRight);
    top->setColumnStretch(1, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(WwwLabel_);
    bottom->addStretch();
    bottom->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(bevel);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TAboutForm::CentreOn(const QRect& mainFrame) {
    CentreWindowOn(this, mainFrame);
}

void TAboutForm::OpenHomePage() {
    if (Opener) Opener(HomePage_);
    else QDesktopServices::openUrl(HomePage_);
}

}  // namespace pelko
