#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <sstream>

#include "config/card_xlsx.h"
#include "config/file_io.h"
#include "pelkoctl/commands.h"

namespace pelkoctl {
int cmdShowConfig(const Args&);
int cmdConvert(const Args&);
int cmdExportCsv(const Args&);
int cmdImportCsv(const Args&);
int cmdExportXlsx(const Args&);
int cmdImportXlsx(const Args&);
}  // namespace pelkoctl

namespace {

namespace fs = std::filesystem;

struct Captured {
    int rc = 0;
    std::string out;
    std::string err;
};

Captured RunCommand(int (*cmd)(const pelkoctl::Args&), std::vector<std::string> words, std::string outFile = {},
                    bool showPass = true) {
    pelkoctl::Args args;
    args.showPass = showPass;
    args.words = std::move(words);
    args.out = std::move(outFile);
    std::ostringstream out, err;
    std::streambuf* oldOut = std::cout.rdbuf(out.rdbuf());
    std::streambuf* oldErr = std::cerr.rdbuf(err.rdbuf());
    Captured c;
    c.rc = cmd(args);
    std::cout.rdbuf(oldOut);
    std::cerr.rdbuf(oldErr);
    c.out = out.str();
    c.err = err.str();
    return c;
}

class PelkoctlConfig : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::path(::testing::TempDir()) / (std::string("pelkoctl_config_") + test->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string Write(const char* name, const std::string& bytes) {
        const std::u8string u = (dir / name).u8string();
        const std::string p(u.begin(), u.end());  // the program's names are UTF-8
        EXPECT_TRUE(pelko::WriteFileSafely(p, bytes).ok);
        return p;
    }
    fs::path dir;
};

const char kFile[] =
    "<XDOC><ProgramSettings><PortBaudRate Val=\"19200\"/><CircleFind Val=\"x\"/><ComPortSettings>"
    "<MaxAttempt Val=\"7\"/></ComPortSettings></ProgramSettings><Devices>"
    "<Device Adr=\"9\" Name=\"\xC4\xE2\xE5\xF0\xFC &#34;2&#34;\"><Configuration><Pass Val=\"0102030405\"/></Configuration>"
    "<Cards><Card Pos=\"1002\" Code=\"AAAAAAAAAA\" User=\"m\"/><Card Pos=\"4\" Code=\"0A0B0C0D0E\" User=\"a&#13;&#10;b\"/>"
    "</Cards></Device><Device Adr=\"3\"/></Devices></XDOC>";

TEST_F(PelkoctlConfig, ShowConfigPrintsSettingsDevicesAndCards) {
    const Captured c = RunCommand(pelkoctl::cmdShowConfig, {Write("in.txt", kFile)});
    EXPECT_EQ(c.rc, 0);
    EXPECT_EQ(c.out,
              "PortBaudRate=19200\nStandPass=1122334455\nAutoReadKey=0\nAutoWriteKey=0\nAutoSetDefaultSettings=1\n"
              "CircleFind=30\nSavePass=1\nNComPort=1\nTOConstant=120\nTOMultiplier=1\nIntervalTO=0\nSmartPI=0\n"
              "TailinUS=400\nMaxAttempt=7\n"
              "device 3 NAME= PASS=1122334455 STATE=8\n"
              "device 9 NAME=Дверь \"2\" PASS=0102030405 STATE=8\n"
              "card 4 0A0B0C0D0E USER=a\\nb\n"
              "card 1002 AAAAAAAAAA USER=m\n");
    EXPECT_EQ(c.err,
              "message: Настройки скорости в программе\\nи в файле не совпадают. Продолжить?\\n\\n\n"
              "message: Ошибка при обработке тега\\n/ProgramSettings/CircleFind\n");
    // Without --show-pass no password reaches standard output.
    const std::string masked = RunCommand(pelkoctl::cmdShowConfig, {Write("in.txt", kFile)}, {}, false).out;
    EXPECT_NE(masked.find("StandPass=**********\n"), std::string::npos) << masked;
    EXPECT_NE(masked.find("device 9 NAME=Дверь \"2\" PASS=********** STATE=8\n"), std::string::npos) << masked;
    EXPECT_EQ(masked.find("1122334455"), std::string::npos);
    EXPECT_EQ(masked.find("0102030405"), std::string::npos);
    // A control character in a name reaches neither the file nor the terminal raw.
    const std::string in = Write("ctl.txt", "<XDOC><Devices><Device Adr=\"5\" Name=\"d&#27;]0;x\"><Cards><Card Pos=\"1\" "
                                            "Code=\"0A0B0C0D0E\" User=\"a&#27;[2J&#0;\"/></Cards></Device></Devices></XDOC>");
    const std::string out = (dir / "ctl_out.txt").string();
    ASSERT_EQ(RunCommand(pelkoctl::cmdConvert, {in, out}).rc, 0);
    std::string bytes;
    ASSERT_TRUE(pelko::ReadWholeFile(out, bytes).ok);
    EXPECT_EQ(bytes.find_first_of(std::string("\x1B\0", 2)), std::string::npos);
    const std::string shown = RunCommand(pelkoctl::cmdShowConfig, {out}).out;
    EXPECT_NE(shown.find("NAME=d\\x1B]0;x "), std::string::npos) << shown;
    EXPECT_NE(shown.find("USER=a\\x1B[2J\\x00\n"), std::string::npos) << shown;
}

TEST_F(PelkoctlConfig, DamagedAndMissingFilesFail) {
    const std::string bad = Write("bad.txt", "<XDOC>");
    const Captured damaged = RunCommand(pelkoctl::cmdShowConfig, {bad});
    EXPECT_EQ(damaged.rc, 3);
    EXPECT_EQ(damaged.out, "");
    EXPECT_EQ(damaged.err, "message: Файл поврежден.\n");
    // convert fails the same way and replaces no output, itself included
    const std::string other = Write("other.txt", kFile);
    for (const std::string& out : {bad, other, (dir / "new.txt").string()})
        EXPECT_EQ(RunCommand(pelkoctl::cmdConvert, {bad, out}).rc, 3) << out;
    std::string bytes;
    EXPECT_TRUE(pelko::ReadWholeFile(bad, bytes).ok && bytes == "<XDOC>");
    EXPECT_TRUE(pelko::ReadWholeFile(other, bytes).ok && bytes == kFile);
    EXPECT_FALSE(fs::exists(dir / "new.txt"));
    EXPECT_EQ(RunCommand(pelkoctl::cmdShowConfig, {(dir / "none.txt").string()}).rc, 3);
    EXPECT_EQ(RunCommand(pelkoctl::cmdShowConfig, {}).rc, 2);
}

TEST_F(PelkoctlConfig, ConvertWritesWhatShowConfigReads) {
    const std::string in = Write("in.txt", kFile);
    const std::string out = (dir / "out.txt").string();
    EXPECT_EQ(RunCommand(pelkoctl::cmdConvert, {in, out}).rc, 0);
    std::string bytes;
    ASSERT_TRUE(pelko::ReadWholeFile(out, bytes).ok);
    EXPECT_EQ(bytes.rfind("</XDOC>"), bytes.size() - 7);
    const Captured a = RunCommand(pelkoctl::cmdShowConfig, {in});
    const Captured b = RunCommand(pelkoctl::cmdShowConfig, {out});
    EXPECT_EQ(a.out, b.out);
    EXPECT_EQ(b.err, "message: Настройки скорости в программе\\nи в файле не совпадают. Продолжить?\\n\\n\n");
    EXPECT_EQ(RunCommand(pelkoctl::cmdConvert, {in, (dir / "no" / "out.txt").string()}).rc, 3);
    EXPECT_EQ(RunCommand(pelkoctl::cmdConvert, {in}).rc, 2);
}

// A card list out to a spreadsheet file and back in, to another file or in
// place; a refused file or a wrong address changes no file.
TEST_F(PelkoctlConfig, CardListsGoToCsvAndComeBack) {
    const std::string in = Write("in.txt", kFile);
    const std::string csv = (dir / "cards.csv").string();
    ASSERT_EQ(RunCommand(pelkoctl::cmdExportCsv, {in, "9", csv}).rc, 0);
    std::string bytes;
    ASSERT_TRUE(pelko::ReadWholeFile(csv, bytes).ok);
    EXPECT_EQ(bytes, "\xEF\xBB\xBFЯчейка;Код;Пользователь;Вид\r\n4;0A0B0C0D0E;\"a\r\nb\";пользователь\r\n"
                     "1002;AAAAAAAAAA;m;мастер\r\n");
    // "-" is standard output.
    const Captured toStdout = RunCommand(pelkoctl::cmdExportCsv, {in, "9", "-"});
    EXPECT_EQ(toStdout.rc, 0);
    EXPECT_EQ(toStdout.out, bytes);
    EXPECT_FALSE(fs::exists("-"));

    // Device 3 takes the list, into another file.
    const std::string out = (dir / "out.txt").string();
    ASSERT_EQ(RunCommand(pelkoctl::cmdImportCsv, {in, "3", csv}, out).rc, 0);
    const std::string shown = RunCommand(pelkoctl::cmdShowConfig, {out}).out;
    EXPECT_NE(shown.find("device 3 NAME= PASS=1122334455 STATE=8\ncard 4 0A0B0C0D0E USER=a\\nb\ncard 1002 AAAAAAAAAA"),
              std::string::npos) << shown;
    ASSERT_TRUE(pelko::ReadWholeFile(in, bytes).ok);
    EXPECT_EQ(bytes, kFile);

    const std::string bad = Write("bad.csv", "Ячейка;Код;Пользователь;Вид\n4;0A0B0C0D0E;;\n5;0A0B0C0D0E;;\n");
    const struct {
        std::vector<std::string> words;
        int rc;
        std::string err;
    } refused[] = {
        {{in, "9", bad}, 3, "Строка 3: код 0A0B0C0D0E уже есть в строке 2. Ничего не изменено."},
        {{in, "5", csv}, 2, "в файле нет прибора с адресом 5"},
        {{in, "x", csv}, 2, "адрес прибора"},
        {{in, "9", (dir / "none.csv").string()}, 3, "Не удалось открыть файл. " + (dir / "none.csv").string() +
                                                        ": нет такого файла или папки"},
        {{in, "9", dir.string()}, 3, ": это не обычный файл"},
        {{in, "9", Write("ctl.csv", "Ячейка;Код;Пользователь;Вид\n4;0A0B0C0D0E;a\x1B[2J;\n")}, 3,
         "Строка 2: управляющий символ (код 27)"},
        {{in, "9"}, 2, "import-csv FILE ADR IN.csv"},
    };
    for (const auto& r : refused) {
        const Captured c = RunCommand(pelkoctl::cmdImportCsv, r.words);
        EXPECT_EQ(c.rc, r.rc) << c.err;
        EXPECT_NE(c.err.find(r.err), std::string::npos) << c.err;
        ASSERT_TRUE(pelko::ReadWholeFile(in, bytes).ok);
        EXPECT_EQ(bytes, kFile);
    }
    EXPECT_EQ(RunCommand(pelkoctl::cmdExportCsv, {in, "5", csv}).rc, 2);

    // Without --out the file itself takes the list: device 9 now holds one card.
    const std::string one = Write("one.csv", "Ячейка;Код;Пользователь;Вид\n;0000000777;Сторож;\n");
    ASSERT_EQ(RunCommand(pelkoctl::cmdImportCsv, {in, "9", one}).rc, 0);
    const std::string now = RunCommand(pelkoctl::cmdShowConfig, {in}).out;
    EXPECT_NE(now.find("device 9 NAME=Дверь \"2\" PASS=0102030405 STATE=8\ncard 0 0000000777 USER=Сторож\n"), std::string::npos)
        << now;
    EXPECT_EQ(now.find("AAAAAAAAAA"), std::string::npos);
}

// The same through .xlsx: to a file and standard output, back in from a file
// and standard input, and refusals that change no file. A build without the
// libraries says so for both commands.
TEST_F(PelkoctlConfig, CardListsGoToXlsxAndComeBack) {
    const std::string in = Write("in.txt", kFile);
    const std::string xlsx = (dir / "cards.xlsx").string();
    if (!pelko::XlsxSupported()) {
        for (auto* cmd : {pelkoctl::cmdExportXlsx, pelkoctl::cmdImportXlsx}) {
            const Captured c = RunCommand(cmd, {in, "9", xlsx});
            EXPECT_EQ(c.rc, 2);
            EXPECT_NE(c.err.find("не читает и не записывает файлы .xlsx: используйте .csv"), std::string::npos)
                << c.err;
        }
        return;
    }
    ASSERT_EQ(RunCommand(pelkoctl::cmdExportXlsx, {in, "9", xlsx}).rc, 0);
    std::string bytes;
    ASSERT_TRUE(pelko::ReadWholeFile(xlsx, bytes).ok);
    const Captured toStdout = RunCommand(pelkoctl::cmdExportXlsx, {in, "9", "-"});
    EXPECT_EQ(toStdout.rc, 0);
    EXPECT_FALSE(fs::exists("-"));
    for (const std::string& file : {bytes, toStdout.out}) {
        const pelko::TCsvCards cards = pelko::CardsFromXlsx(file);
        ASSERT_TRUE(cards.ok) << pelko::CsvRefusal(cards);
        EXPECT_EQ(cards.cards.size(), 2u);
    }

    // Device 3 takes the list from standard input, into another file.
    const std::string out = (dir / "out.txt").string();
    std::istringstream input(bytes);
    std::streambuf* oldIn = std::cin.rdbuf(input.rdbuf());
    const Captured fromStdin = RunCommand(pelkoctl::cmdImportXlsx, {in, "3", "-"}, out);
    std::cin.rdbuf(oldIn);
    ASSERT_EQ(fromStdin.rc, 0) << fromStdin.err;
    const std::string shown = RunCommand(pelkoctl::cmdShowConfig, {out}).out;
    EXPECT_NE(shown.find("device 3 NAME= PASS=1122334455 STATE=8\ncard 4 0A0B0C0D0E USER=a\\nb\ncard 1002 AAAAAAAAAA"),
              std::string::npos)
        << shown;

    const struct {
        std::vector<std::string> words;
        int rc;
        std::string err;
    } refused[] = {
        {{in, "9", Write("cards.csv", "Ячейка;Код;Пользователь;Вид\n")},
         3,
         "cards.csv: это не файл .xlsx (не архив zip). Ничего не изменено."},
        {{in, "5", xlsx}, 2, "в файле нет прибора с адресом 5"},
        {{in, "9", (dir / "none.xlsx").string()}, 3, ": нет такого файла или папки"},
        {{in, "9"}, 2, "import-xlsx FILE ADR IN.xlsx"},
    };
    for (const auto& r : refused) {
        const Captured c = RunCommand(pelkoctl::cmdImportXlsx, r.words);
        EXPECT_EQ(c.rc, r.rc) << c.err;
        EXPECT_NE(c.err.find(r.err), std::string::npos) << c.err;
        ASSERT_TRUE(pelko::ReadWholeFile(in, bytes).ok);
        EXPECT_EQ(bytes, kFile);
    }
    EXPECT_EQ(RunCommand(pelkoctl::cmdExportXlsx, {in, "5", xlsx}).rc, 2);
    EXPECT_EQ(RunCommand(pelkoctl::cmdExportXlsx, {in, "9"}).rc, 2);

    // Without --out the file itself takes the list.
    ASSERT_EQ(RunCommand(pelkoctl::cmdExportXlsx, {out, "3", xlsx}).rc, 0);
    ASSERT_EQ(RunCommand(pelkoctl::cmdImportXlsx, {out, "3", xlsx}).rc, 0);
    EXPECT_EQ(RunCommand(pelkoctl::cmdShowConfig, {out}).out, shown);
}

}  // namespace
