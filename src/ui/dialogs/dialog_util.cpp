#include "ui/dialogs/dialog_util.h"

#include <QDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>

namespace pelko {

QPoint CentredPos(const QRect& mainFrame, QSize own) {
    return {mainFrame.left() + mainFrame.width() / 2 - own.width() / 2,
            mainFrame.top() + mainFrame.height() / 2 - own.height() / 2};
}

QPoint BottomRightPos(const QRect& mainFrame, QSize own) {
    return {mainFrame.left() + mainFrame.width() - own.width(),
            mainFrame.top() + mainFrame.height() - own.height()};
}

QPoint ClampToArea(QPoint pos, QSize own, const QRect& area) {
    const int x = std::max(area.left(), std::min(pos.x(), area.left() + area.width() - own.width()));
    const int y = std::max(area.top(), std::min(pos.y(), area.top() + area.height() - own.height()));
    return {x, y};
}

QRect AvailableAreaFor(const QRect& mainFrame) {
    QScreen* screen = QGuiApplication::screenAt(mainFrame.center());
    if (!screen) {
        qint64 best = 0;
        for (QScreen* s : QGuiApplication::screens()) {
            const QRect common = s->geometry() & mainFrame;
            const qint64 area = qint64(common.width()) * common.height();
            if (!common.isEmpty() && area > best) {
                best = area;
                screen = s;
            }
        }
    }
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QSize FrameExtra(const QWidget* window) {
    const QWidget* known = window;
    if (!window->isVisible() && window->parentWidget()) known = window->parentWidget()->window();
    if (!known->isVisible()) return QSize(0, 0);  // QSize() is -1 x -1
    return known->frameGeometry().size() - known->geometry().size();
}

QSize FrameAllowance(const QWidget* window) {
    const int edge = window->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, window);
    return {2 * edge, window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window) + 2 * edge};
}

// Before the first show there is no frame yet: the window manager's title
// bar would push a window placed by its bare size off the bottom.
QSize OuterSize(QWidget* window) {
    if (!window->isVisible()) {
        window->ensurePolished();
        if (QLayout* layout = window->layout()) layout->activate();
        if (!window->testAttribute(Qt::WA_Resized)) window->adjustSize();
        // No frame known yet: take the one it will get.
        if (window->frameGeometry().size() == window->size()) return window->size() + FrameExtra(window);
    }
    return window->frameGeometry().size();
}

void FitWindowInto(QWidget* window, const std::function<QPoint(QSize)>& place, const QRect& area) {
    QSize own = OuterSize(window);
    if (own.width() > area.width() || own.height() > area.height()) {
        const QSize extra = own - window->size();
        window->resize((own.boundedTo(area.size()) - extra).expandedTo(window->minimumSize()));
        own = window->size() + extra;
    }
    window->move(ClampToArea(place(own), own, area));
}

void CentreWindowOn(QWidget* window, const QRect& mainFrame) {
    FitWindowInto(window, [&](QSize own) { return CentredPos(mainFrame, own); }, AvailableAreaFor(mainFrame));
}

QLabel* LabelFor(const QString& text, QWidget* control) {
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setBuddy(control);
    control->setAccessibleName(text);
    return label;
}

void SetCloseButtonHint(QDialog* dialog, bool on) {
    if (dialog->isVisible()) return;
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (on) flags |= Qt::WindowCloseButtonHint;
    dialog->setWindowFlags(flags);
}

QPushButton* LayOutQuestion(QDialog* dialog, QLabel* label, QWidget* control) {
    auto* ok = Named(new QPushButton(QStringLiteral("ОК!")), "OKButton", QStringLiteral("ОК!"));
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    auto* cancel = Named(new QPushButton(QStringLiteral("Отмена")), "CancelButton", QStringLiteral("Отмена"));
    cancel->setAutoDefault(false);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(label);
    layout->addWidget(control);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return ok;
}

}  // namespace pelko
