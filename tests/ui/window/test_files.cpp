// File and Help commands of the window, with the file dialogs answered by a
// script and the boxes recorded.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include <filesystem>
#include <fstream>

#include "config/config_reader.h"
#include "config/file_io.h"
#include "controls/a_property_list.h"
#include "ui/file_dialogs.h"
#include "ui/qt_translations.h"
#include "window_test_util.h"

namespace pelko {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(WindowFiles, SaveAsksOnceThenWritesTheSameFileAndSaveAsProposesIt) {
    QTemporaryDir dir;
    test::TWindowFixture w(test::NoPort());
    TMainForm& form = *w.Form;
    const QString first = dir.filePath(QStringLiteral("a.txt"));
    const QString second = dir.filePath(QStringLiteral("b.txt"));
    w.Files->Answers = {first, second};
    form.sbFileSaveClick();
    ASSERT_EQ(w.Asked.size(), 1u);
    EXPECT_EQ(w.Asked[0].Title, QStringLiteral("Сохранение конфигурации в файл"));
    EXPECT_EQ(w.Asked[0].Name, QStringLiteral("config.txt"));
    // The first time in the documents folder, not the program's own.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    EXPECT_EQ(w.Asked[0].Folder, QFileInfo(documents).isDir() ? documents : QDir::homePath());
    EXPECT_EQ(form.ConfigFileName(), first.toStdString());
    fs::remove(first.toStdString());
    form.sbFileSaveClick();
    EXPECT_EQ(w.Asked.size(), 1u);  // no dialog the second time
    EXPECT_TRUE(fs::exists(first.toStdString()));
    form.N10Click();
    ASSERT_EQ(w.Asked.size(), 2u);
    EXPECT_EQ(w.Asked[1].Folder, dir.path());
    EXPECT_EQ(w.Asked[1].Name, QStringLiteral("a.txt"));
    EXPECT_EQ(form.ConfigFileName(), second.toStdString());
    EXPECT_TRUE(w.Boxes.empty());
    // Open starts where the last file went (a new window's too: it is remembered for the user).
    form.sbFileOpenClick();
    ASSERT_EQ(w.Asked.size(), 3u);
    EXPECT_EQ(w.Asked[2].Folder, dir.path());
}

TEST(WindowFiles, FailuresAreReportedAndChangeNothing) {
    QTemporaryDir dir;
    test::TWindowFixture w(test::NoPort());
    TMainForm& form = *w.Form;

    // A cancelled dialog, a missing file (which is not made), a read-only file.
    form.sbFileOpenClick();
    const QString missing = dir.filePath(QStringLiteral("missing.txt"));
    w.Files->Answers = {missing};
    form.sbFileOpenClick();
    EXPECT_FALSE(fs::exists(missing.toStdString()));
    EXPECT_TRUE(form.ConfigFileName().empty());

    const QString locked = dir.filePath(QStringLiteral("locked.txt"));
    ASSERT_TRUE(WriteFileSafely(locked.toStdString(), "old").ok);
    fs::permissions(locked.toStdString(), fs::perms::owner_read);
    w.Files->Answers = {locked};
    form.sbFileSaveClick();
    EXPECT_EQ(Slurp(locked), "old");
    EXPECT_TRUE(form.ConfigFileName().empty());
    w.Files->Answers = {locked};
    form.N10Click();  // Save as: a failed save does not take the new name either
    EXPECT_EQ(Slurp(locked), "old");
    EXPECT_TRUE(form.ConfigFileName().empty());

    form.ContentHelpClick();  // the test folder holds no help page

    const std::vector<std::string> want = {
        "Не удалось открыть файл.",
        "Не удалось сохранить файл.\r\nНет прав на запись в этот файл или папку.",
        "Не удалось сохранить файл.\r\nНет прав на запись в этот файл или папку.",
        "Отсутствует файл help.html!",
    };
    ASSERT_EQ(w.Boxes.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) EXPECT_EQ(w.Boxes[i].Text, want[i]);
    EXPECT_EQ(w.Asked.size(), 4u);
}

// Answers the next box with the button of this caption; records its text and default button.
void AnswerNextBox(const char* button, std::string* asked) {
    test::OnNextModal([=](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        if (box == nullptr) {
            dialog->close();
            return;
        }
        *asked = box->text().toStdString() + " | " + box->defaultButton()->text().toStdString();
        for (QAbstractButton* b : box->buttons())
            if (b->text() == QString::fromUtf8(button)) b->click();
    });
}

TEST(WindowFiles, UnsavedChangesAreMarkedAndAskedForBeforeTheyAreDropped) {
    const QString caption = QStringLiteral(" — Программа для конфигурирования Pelko-Q250");
    const struct {
        const char* Command;
        const char* Answer;
        bool Goes;   // the command goes on
        bool Saved;  // the rename reached the file
    } cases[] = {
        {"exit", "Да", true, true},  {"exit", "Нет", true, false}, {"exit", "Отмена", false, false},
        {"new", "Да", true, true},   {"new", "Нет", true, false},  {"new", "Отмена", false, false},
        {"open", "Да", true, true},  {"open", "Нет", true, false}, {"open", "Отмена", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Command) + " " + c.Answer);
        QTemporaryDir dir;
        test::TWindowFixture w(test::NoPort());
        TMainForm& form = *w.Form;
        form.show();
        test::Flush();
        EXPECT_EQ(form.windowTitle(), QStringLiteral("без имени[*]") + caption);
        EXPECT_FALSE(form.isWindowModified());
        TGroupDev& group = form.DevGroup();
        group.SetState(group.AddDevice(3), dfInGroup);
        group.ClearState(0, dfConnected);
        form.UpdateGridDev();
        form.UpdateControls();
        test::Flush();
        EXPECT_TRUE(form.isWindowModified());

        const QString file = dir.filePath(QStringLiteral("site.txt"));
        w.Files->Answers = {file};
        test::Click(form, "sbFileSave");
        test::Flush();
        EXPECT_EQ(form.windowTitle(), QStringLiteral("site.txt[*]") + caption);
        EXPECT_FALSE(form.isWindowModified());
        test::ClickDevice(form, 3);
        bool canExit = false;
        form.Inspector()->OnChangeValue(QStringLiteral("dev0"), QString::fromUtf8(InspFieldId(TInspField::DevName)), QStringLiteral("Store"), canExit);
        test::Flush();
        EXPECT_TRUE(form.isWindowModified());

        form.BoxHook = nullptr;  // the real question
        std::string asked;
        AnswerNextBox(c.Answer, &asked);
        const std::size_t dialogs = w.Asked.size();
        bool goes = false;
        if (std::string(c.Command) == "exit") {
            form.close();
            goes = !form.isVisible();
        } else if (std::string(c.Command) == "new") {
            form.sbFileCreateClick();
            goes = group.Count() == 0;  // 3 was never on the line
        } else {
            form.sbFileOpenClick();
            goes = w.Asked.size() > dialogs;
        }
        EXPECT_EQ(asked, "Сохранить изменения? | Да");
        EXPECT_EQ(goes, c.Goes);
        EXPECT_EQ(Slurp(file).find("Store") != std::string::npos, c.Saved);
        test::Flush();
        if (!c.Goes) {
            EXPECT_TRUE(form.isWindowModified());
        }
        if (c.Saved) {
            EXPECT_FALSE(form.isWindowModified());
        }
    }
}

TEST(WindowFiles, SimulatedControllersLeaveTheLineSettingsAsTheProgramHasThem) {
    QTemporaryDir dir;
    TStartOptions o;
    o.Simulate = true;  // as the user starts it: at the line's pace
    test::TWindowFixture w(o);
    const ProgramSettings defaults;
    EXPECT_EQ(w.Form->Session().TimeOutConstant(), defaults.TOConstant);
    const QString file = dir.filePath(QStringLiteral("sim.txt"));
    w.Files->Answers = {file};
    w.Form->sbFileSaveClick();
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(file.toStdString(), bytes).ok);
    ProgramSettings saved;
    TGroupDev devices;
    SilentConfigHost host;
    ReadFromFile(std::move(bytes), saved, devices, host);
    EXPECT_EQ(saved.TOConstant, defaults.TOConstant);
    EXPECT_EQ(saved.MaxAttempt, defaults.MaxAttempt);
}

TEST(WindowFiles, HelpWithoutAPageViewerSaysWhereThePageIs) {
    QTemporaryDir dir;
    const QString help = dir.filePath(QStringLiteral("help.html"));
    test::TWindowFixture w(test::NoPort());
    std::vector<QUrl> opened;
    for (bool viewer : {true, false}) {
        w.Boxes.clear();
        w.Form->UrlOpener = [&](const QUrl& page) {
            opened.push_back(page);
            return viewer;
        };
        w.Form->OpenPage(QUrl::fromLocalFile(help));
        std::vector<std::string> texts;
        for (const test::TBox& b : w.Boxes) texts.push_back(b.Text);
        const std::vector<std::string> none, where = {
            "Не удалось открыть справку: нет программы для просмотра страниц.\r\nОткройте в браузере файл " +
            help.toStdString()};
        EXPECT_EQ(texts, viewer ? none : where);
    }
    EXPECT_EQ(opened, std::vector<QUrl>(2, QUrl::fromLocalFile(help)));
}

// xdg-open present but finding no viewer says so only by its exit code.
TEST(WindowFiles, HelpWhoseLauncherFindsNoViewerSaysWhereThePageIs) {
    QTemporaryDir bin;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit() + ":" + path);
    const QString help = bin.filePath(QStringLiteral("help.html"));
    for (const int code : {0, 3}) {
        QFile launcher(bin.filePath(QStringLiteral("xdg-open")));
        ASSERT_TRUE(launcher.open(QIODevice::WriteOnly | QIODevice::Truncate));
        launcher.write("#!/bin/sh\nexit " + QByteArray::number(code) + "\n");
        launcher.close();
        launcher.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        test::TWindowFixture w(test::NoPort());
        w.Form->OpenPage(QUrl::fromLocalFile(help));
        QTest::qWait(1500);  // the launcher has long ended by then
        std::vector<std::string> texts;
        for (const test::TBox& b : w.Boxes) texts.push_back(b.Text);
        const std::vector<std::string> none, where = {
            "Не удалось открыть справку: нет программы для просмотра страниц.\r\nОткройте в браузере файл " +
            help.toStdString()};
        EXPECT_EQ(texts, code == 0 ? none : where) << "exit " << code;
    }
    qputenv("PATH", path);
}

TEST(WindowFiles, QtsOwnTextsAreRussian) {
    ASSERT_TRUE(InstallQtTranslations(*QCoreApplication::instance())) << "qt6-translations-l10n is missing";
    test::TWindowFixture w(test::NoPort());
    TMainForm& form = *w.Form;
    form.SetFileDialogs(MakeQtFileDialogs(&form));
    QStringList shown;
    test::OnNextModal([&shown](QWidget* dialog) {
        for (QLabel* l : dialog->findChildren<QLabel*>())
            if (l->isVisible()) shown << l->text();
        for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>())
            if (b->isVisible()) shown << b->text();
        dialog->close();
    });
    form.sbFileOpenClick();
    EXPECT_TRUE(shown.contains(QStringLiteral("Отмена"))) << shown.join(QStringLiteral(" | ")).toStdString();
    for (const char* english : {"Look in:", "File name:", "Files of type:", "Cancel", "&Open", "Open"})
        EXPECT_FALSE(shown.contains(QString::fromLatin1(english))) << english;
}

TEST(WindowFiles, TheStatusBarSaysHowManyControllersWereSaved) {
    QTemporaryDir dir;
    test::TWindowFixture w(test::NoPort());
    TMainForm& form = *w.Form;
    TGroupDev& group = form.DevGroup();
    for (std::uint8_t adr : {3, 17, 40}) group.AddDevice(adr);
    auto* status = form.findChild<QLabel*>(QStringLiteral("StatusPanel1"));
    ASSERT_NE(status, nullptr);
    const struct {
        std::vector<std::uint8_t> InGroup;
        const char* Said;
    } cases[] = {
        {{}, "Сохранено приборов: 3 из 3"},  // none in the group: all of them join it
        {{3, 40}, "Сохранено приборов: 2 из 3 (приборы вне группы в файл не записываются)"},
    };
    w.Files->Answers = {dir.filePath(QStringLiteral("a.txt"))};
    for (const auto& c : cases) {
        for (DevIndex i = 0; i < group.Count(); ++i) group.ClearState(i, dfInGroup);
        for (std::uint8_t adr : c.InGroup) group.SetStateByAdr(adr, dfInGroup);
        status->clear();
        form.sbFileSaveClick();
        EXPECT_EQ(status->text().toStdString(), c.Said);
    }
}

TEST(WindowFiles, AConfigurationOpensWithoutThePortForEditsInTheProgram) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("site.txt"));
    {
        test::TWindowFixture other(test::NoPort());
        TGroupDev& g = other.Form->DevGroup();
        for (std::uint8_t adr : {3, 40}) {
            const DevIndex i = g.AddDevice(adr);
            g.SetState(i, dfInGroup);
            g.GetDevice(i, nullptr)->AddCard(adr, TCode{1, 2, 3, 4, adr}, "");
        }
        other.Form->Settings().AutoWriteKey = true;
        other.Files->Answers = {file};
        other.Form->sbFileSaveClick();
    }
    test::TWindowFixture w(test::NoPort());
    TMainForm& form = *w.Form;
    form.show();
    w.Files->Answers = {file};
    test::Click(form, "sbFileOpen");
    test::Flush();
    ASSERT_EQ(w.Boxes.size(), 1u);
    EXPECT_EQ(w.Boxes[0].Text, "COM порт 1 недоступен\r\nПорт /nonexistent/ttyX не найден");
    EXPECT_EQ(form.ConfigFileName(), file.toStdString());
    EXPECT_TRUE(form.Settings().AutoWriteKey);
    TGroupDev& group = form.DevGroup();
    ASSERT_EQ(group.Count(), 2);
    auto* port = form.findChild<QLabel*>(QStringLiteral("StatusPort"));
    ASSERT_TRUE(port && port->isVisible());
    EXPECT_EQ(port->text(), QStringLiteral("COM порт 1 не открыт: изменения только в программе"));

    // The lists are edited in the program; nothing that needs the line starts.
    test::ClickDevice(form, 40);
    const TControlState& c = form.Controls();
    EXPECT_TRUE(c.AddCardBut && c.DelCardBut && c.ChView);
    EXPECT_FALSE(c.ReadDevKeys || c.WriteDevKeys || c.ResetDev || c.OpenWithPas || c.SetDevAddr || c.ReadCodeBut ||
                 c.sbReadKeyDev || c.sbWriteKeyDev);
    EXPECT_TRUE(form.findChild<QToolButton*>(QStringLiteral("SpButFind"))->isEnabled());  // the way to retry
    test::Click(form, "AddCardBut");
    EXPECT_EQ(group.GetDevice(group.IndexOfAdr(40), nullptr)->UserCount(), 2);
    EXPECT_EQ(w.Boxes.size(), 1u) << w.Boxes.back().Text;

    // Saved, the file holds both controllers with the new card.
    test::Click(form, "sbFileSave");
    ProgramSettings saved;
    TGroupDev devices;
    SilentConfigHost host;
    ReadFromFile(Slurp(file), saved, devices, host);
    ASSERT_EQ(devices.Count(), 2);
    EXPECT_EQ(devices.GetDevice(devices.IndexOfAdr(40), nullptr)->UserCount(), 2);
}

TEST(WindowFiles, NewConfigurationKeepsOnlyDevicesOnTheLine) {
    test::TWindowFixture w(test::NoPort());
    TMainForm& form = *w.Form;
    TGroupDev& group = form.DevGroup();
    for (std::uint8_t adr : {3, 17, 40}) {
        const DevIndex i = group.AddDevice(adr);
        group.SetState(i, dfInGroup);
        if (adr != 17) group.ClearState(i, dfConnected);
    }
    group.Select(group.IndexOfAdr(40));
    form.UpdateGridDev();
    form.UpdateControls();
    EXPECT_TRUE(form.Controls().GridDevVisible);
    form.sbFileCreateClick();
    ASSERT_EQ(group.Count(), 1);
    EXPECT_EQ(group.IndexOfAdr(17), 0);
    EXPECT_FALSE(group.GetState(0, dfInGroup));
    EXPECT_EQ(form.Engine().CurConf().CardCount(false), 0);
}

}  // namespace
}  // namespace pelko
