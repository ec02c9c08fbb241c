#pragma once
// The about box "О программе ...": what the program is for, its version
// line, and a link to its home page.
#include <QDialog>
#include <QIcon>
#include <QRect>
#include <QUrl>
#include <functional>

namespace pelko {

class TAInternetLabel;

struct TVersion {
    int major = 0, minor = 0, build = 0;
};

// "ver 1.05 build 12": a minor below 10 gets a leading 0.
QString VersionLine(const TVersion& v);

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    // VerLabel is enabled exactly when "Version.txt" exists in the current
    // working folder at this moment.
    // linkText names the page; empty: LinkText(homePage).
    TAboutForm(QWidget* parent, const TVersion& version, const QUrl& homePage, const QIcon& emblem,
               const QString& linkText = {});

    void CentreOn(const QRect& mainFrame);
    // The text wwwLabel shows for the address: a file's name, else the
    // address as displayed.
    static QString LinkText(const QUrl& homePage);

    // Opens the home page; the default hands it to the desktop. The window
    // sets one that says where the page is when no program can show it.
    std::function<void(const QUrl&)> Opener;

    TAInternetLabel* VerLabel() const { return VerLabel_; }
    TAInternetLabel* WwwLabel() const { return WwwLabel_; }

protected:
    // Hands the home page to the desktop (overridden by tests).
    virtual void OpenHomePage();

private:
    QUrl HomePage_;
    TAInternetLabel* VerLabel_;
    TAInternetLabel* WwwLabel_;
};

}  // namespace pelko
