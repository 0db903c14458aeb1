#include "IniFile.h"
#include "SettingsValues.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace settings;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

std::string str(const QString& s) { return s.toStdString(); }

// Everything in the folder except the settings file itself: temporary files
// of the atomic replace must never be left behind.
QStringList strayFiles(const QString& dir)
{
    QStringList all = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
    all.removeAll("Korvane.ini");
    return all;
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void firstRunWritesAllKeysInOrder();
    void parseInteger_data();
    void parseInteger();
    void loadClampsAndWritesBack_data();
    void loadClampsAndWritesBack();
    void missingOrUnreadableFileGivesDefaults();
    void unknownKeysSectionsAndCommentsKept();
    void namesMatchWithoutCaseAndFirstDuplicateWins();
    void textIsCutAt2047Characters();
    void pathWithLineBreakIsWrittenEmpty();
    void readOnlyFileFailsAndEarlierKeysStay();
    void folderWhereFilesCannotBeCreated();
    void replaceKeepsModeAndFollowsSymlink();
    void settingsFileLocation();
};

void TestSettings::firstRunWritesAllKeysInOrder()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Korvane.ini");
    IniFile ini(str(path));
    SettingsValues defaults = ReadSettingsValues(ini);   // no file: all defaults
    QVERIFY(defaults == SettingsValues{});
    WriteSettingsValues(ini, defaults, "/home/user/Drawings", 0);

    QCOMPARE(readAll(path), QByteArray("[NORMAL]\n"
                                       "Path=/home/user/Drawings\n"
                                       "ViewType=0\n"
                                       "\n"
                                       "[OPTIONS]\n"
                                       "ThumbW=80\n"
                                       "ThumbBorderColor=0\n"
                                       "ThumbBackColor=16777215\n"
                                       "ThumbBorderType=1\n"
                                       "ThumbSpaceW=12\n"
                                       "ThumbSpaceH=12\n"
                                       "LoadAllFile=0\n"
                                       "ShowHidden=1\n"
                                       "BkColor=0\n"
                                       "\n"
                                       "[LANGUAGE]\n"
                                       "Default=7\n"));
    QVERIFY(strayFiles(dir.path()).isEmpty());

    // A second save over the same file changes nothing.
    const QByteArray first = readAll(path);
    WriteSettingsValues(ini, ReadSettingsValues(ini), ReadStartValues(ini).Path, ReadStartValues(ini).ViewType);
    QCOMPARE(readAll(path), first);
}

void TestSettings::parseInteger_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");
    QTest::newRow("decimal") << "100" << true << 100;
    QTest::newRow("negative") << "-5" << true << -5;
    QTest::newRow("plus sign") << "+7" << true << 7;
    QTest::newRow("0x") << "0x64" << true << 100;
    QTest::newRow("0X") << "0X64" << true << 100;
    QTest::newRow("dollar") << "$64" << true << 100;
    QTest::newRow("hex all bits") << "0xFFFFFFFF" << true << -1;
    QTest::newRow("hex colour") << "$00FFFFFF" << true << 16777215;
    QTest::newRow("int max") << "2147483647" << true << 2147483647;
    QTest::newRow("int min") << "-2147483648" << true << int(-2147483647 - 1);
    QTest::newRow("above int max") << "2147483648" << false << 0;
    QTest::newRow("below int min") << "-2147483649" << false << 0;
    QTest::newRow("hex over 32 bits") << "0x100000000" << false << 0;
    QTest::newRow("bare 0x") << "0x" << false << 0;
    QTest::newRow("bare dollar") << "$" << false << 0;
    QTest::newRow("hex bad digit") << "0x6G" << false << 0;
    QTest::newRow("negative hex") << "-0x10" << false << 0;
    QTest::newRow("letters") << "abc" << false << 0;
    QTest::newRow("trailing junk") << "12a" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("sign only") << "-" << false << 0;
    QTest::newRow("blanks around") << "  42 " << true << 42;
    QTest::newRow("many digits") << "000000000000000000000123" << true << 123;
}

void TestSettings::parseInteger()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, value);
    std::int32_t out = 12345;
    QCOMPARE(ParseIniInteger(str(text), out), valid);
    if (valid)
        QCOMPARE(out, value);
}

void TestSettings::loadClampsAndWritesBack_data()
{
    // A file with one line in one section; what is held after loading; the
    // line that the next save writes for that key.
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("held");
    QTest::addColumn<QString>("written");
    QTest::newRow("ThumbW 0x64") << "OPTIONS" << "ThumbW=0x64" << "ThumbW" << 100 << "ThumbW=100";
    QTest::newRow("ThumbW $64") << "OPTIONS" << "ThumbW=$64" << "ThumbW" << 100 << "ThumbW=100";
    QTest::newRow("ThumbW empty") << "OPTIONS" << "ThumbW=" << "ThumbW" << 80 << "ThumbW=80";
    QTest::newRow("ThumbW too big") << "OPTIONS" << "ThumbW=99999999999" << "ThumbW" << 80 << "ThumbW=80";
    QTest::newRow("back colour hex") << "OPTIONS" << "ThumbBackColor=$FF" << "ThumbBackColor" << 255
                                     << "ThumbBackColor=255";
    QTest::newRow("BkColor 12") << "OPTIONS" << "BkColor=12" << "BkColor" << 0 << "BkColor=0";
    QTest::newRow("BkColor -1") << "OPTIONS" << "BkColor=-1" << "BkColor" << 0 << "BkColor=0";
    QTest::newRow("BkColor 9") << "OPTIONS" << "BkColor=9" << "BkColor" << 9 << "BkColor=9";
    QTest::newRow("Default -3") << "LANGUAGE" << "Default=-3" << "LanguageIndex" << 0 << "Default=0";
    QTest::newRow("Default 200") << "LANGUAGE" << "Default=200" << "LanguageIndex" << 7 << "Default=7";
    QTest::newRow("Default 3") << "LANGUAGE" << "Default=3" << "LanguageIndex" << 3 << "Default=3";
    QTest::newRow("border type 258") << "OPTIONS" << "ThumbBorderType=258" << "ThumbBorderType" << 2
                                     << "ThumbBorderType=2";
    QTest::newRow("border type -1") << "OPTIONS" << "ThumbBorderType=-1" << "ThumbBorderType" << 255
                                    << "ThumbBorderType=255";
    QTest::newRow("ShowHidden abc") << "OPTIONS" << "ShowHidden=abc" << "ShowHidden" << 1 << "ShowHidden=1";
    QTest::newRow("ShowHidden 2") << "OPTIONS" << "ShowHidden=2" << "ShowHidden" << 1 << "ShowHidden=1";
    QTest::newRow("ShowHidden 0") << "OPTIONS" << "ShowHidden=0" << "ShowHidden" << 0 << "ShowHidden=0";
    QTest::newRow("LoadAllFile 1") << "OPTIONS" << "LoadAllFile=1" << "LoadAllFile" << 1 << "LoadAllFile=1";
    QTest::newRow("LoadAllFile junk") << "OPTIONS" << "LoadAllFile=yes" << "LoadAllFile" << 0
                                      << "LoadAllFile=0";
}

void TestSettings::loadClampsAndWritesBack()
{
    QFETCH(QString, section);
    QFETCH(QString, line);
    QFETCH(QString, field);
    QFETCH(int, held);
    QFETCH(QString, written);

    QTemporaryDir dir;
    const QString path = dir.filePath("Korvane.ini");
    writeFile(path, QString("[%1]\n%2\n").arg(section, line).toUtf8());
    IniFile ini(str(path));
    const SettingsValues v = ReadSettingsValues(ini);

    // Every other field keeps its default.
    SettingsValues expected;
    if (field == "ThumbW") expected.ThumbW = held;
    else if (field == "ThumbBackColor") expected.ThumbBackColor = held;
    else if (field == "BkColor") expected.BkColor = held;
    else if (field == "LanguageIndex") expected.LanguageIndex = static_cast<std::uint8_t>(held);
    else if (field == "ThumbBorderType") expected.ThumbBorderType = static_cast<std::uint8_t>(held);
    else if (field == "ShowHidden") expected.ShowHidden = held != 0;
    else if (field == "LoadAllFile") expected.LoadAllFile = held != 0;
    else QFAIL("unknown field in table");
    QVERIFY(v == expected);

    WriteSettingsValues(ini, v, "", 0);
    const QString text = QString::fromUtf8(readAll(path));
    const QStringList lines = text.split('\n');
    QVERIFY2(lines.contains(written), qPrintable(text));
    QCOMPARE(text.count("[" + section + "]"), 1);
    QVERIFY(ReadSettingsValues(ini) == v);
}

void TestSettings::missingOrUnreadableFileGivesDefaults()
{
    QTemporaryDir dir;
    QVERIFY(ReadSettingsValues(IniFile(str(dir.filePath("none.ini")))) == SettingsValues{});
    const StartValues start = ReadStartValues(IniFile(str(dir.filePath("none.ini"))));
    QCOMPARE(start.Path, std::string());
    QCOMPARE(start.ViewType, 0);

    // A folder where the file should be: unreadable, so defaults; and a write
    // must fail rather than replace it.
    QVERIFY(QDir(dir.path()).mkdir("Korvane.ini"));
    IniFile ini(str(dir.filePath("Korvane.ini")));
    QVERIFY(ReadSettingsValues(ini) == SettingsValues{});
    QVERIFY_THROWS_EXCEPTION(IniWriteError, ini.WriteInteger("OPTIONS", "ThumbW", 5));
    QVERIFY(QFileInfo(dir.filePath("Korvane.ini")).isDir());
}

void TestSettings::unknownKeysSectionsAndCommentsKept()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Korvane.ini");
    writeFile(path, "; written by hand\r\n"
                    "[EXTRA]\r\n"
                    "Colour=blue\r\n"
                    "\r\n"
                    "[OPTIONS]\r\n"
                    "# keep this\r\n"
                    "Mystery=42\r\n"
                    "ThumbW=120\r\n"
                    "\r\n"
                    "[Trailer]\r\n"
                    "x=1\r\n");
    IniFile ini(str(path));
    SettingsValues v = ReadSettingsValues(ini);
    QCOMPARE(v.ThumbW, 120);
    v.BkColor = 4;
    WriteSettingsValues(ini, v, "/data", 2);

    // Known keys are updated in place, missing ones added at the end of their
    // section, new sections appended in first-write order; line ends stay CRLF.
    QCOMPARE(readAll(path), QByteArray("; written by hand\r\n"
                                       "[EXTRA]\r\n"
                                       "Colour=blue\r\n"
                                       "\r\n"
                                       "[OPTIONS]\r\n"
                                       "# keep this\r\n"
                                       "Mystery=42\r\n"
                                       "ThumbW=120\r\n"
                                       "ThumbBorderColor=0\r\n"
                                       "ThumbBackColor=16777215\r\n"
                                       "ThumbBorderType=1\r\n"
                                       "ThumbSpaceW=12\r\n"
                                       "ThumbSpaceH=12\r\n"
                                       "LoadAllFile=0\r\n"
                                       "ShowHidden=1\r\n"
                                       "BkColor=4\r\n"
                                       "\r\n"
                                       "[Trailer]\r\n"
                                       "x=1\r\n"
                                       "\r\n"
                                       "[NORMAL]\r\n"
                                       "Path=/data\r\n"
                                       "ViewType=2\r\n"
                                       "\r\n"
                                       "[LANGUAGE]\r\n"
                                       "Default=7\r\n"));
    QCOMPARE(ini.ReadString("extra", "colour", ""), std::string("blue"));
    QVERIFY(!ini.ValueExists("OPTIONS", "# keep this"));
}

void TestSettings::namesMatchWithoutCaseAndFirstDuplicateWins()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Korvane.ini");
    writeFile(path, "[options]\n"
                    "thumbw = 90 \n"
                    "ThumbW=70\n"
                    "[Options]\n"
                    "BkColor=5\n");
    IniFile ini(str(path));
    const SettingsValues v = ReadSettingsValues(ini);
    QCOMPARE(v.ThumbW, 90);
    QCOMPARE(v.BkColor, 0);   // only the first [OPTIONS] is read

    ini.WriteInteger("OPTIONS", "THUMBW", 64);
    QCOMPARE(readAll(path), QByteArray("[options]\n"
                                       "thumbw=64\n"
                                       "ThumbW=70\n"
                                       "[Options]\n"
                                       "BkColor=5\n"));
}

void TestSettings::textIsCutAt2047Characters()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Korvane.ini");
    IniFile ini(str(path));
    const std::string ascii(3000, 'a');
    ini.WriteString("NORMAL", "Path", ascii);
    QCOMPARE(ini.ReadString("NORMAL", "Path", "").size(), std::size_t(2047));

    // Two-byte characters: cut after 2047 characters, never inside one.
    std::string wide;
    for (int i = 0; i < 2100; ++i)
        wide += "\xC3\xA9";   // é
    ini.WriteString("NORMAL", "Path", wide);
    const std::string back = ini.ReadString("NORMAL", "Path", "");
    QCOMPARE(back.size(), std::size_t(2047 * 2));
    QCOMPARE(QString::fromStdString(back).size(), 2047);
}

void TestSettings::pathWithLineBreakIsWrittenEmpty()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Korvane.ini");
    IniFile ini(str(path));
    // A Linux folder name may hold a line break; written raw it would forge keys.
    WriteSettingsValues(ini, SettingsValues{}, "/tmp/a\n[OPTIONS]\nBkColor=5", 1);
    QCOMPARE(ReadStartValues(ini).Path, std::string());
    QCOMPARE(ReadSettingsValues(ini).BkColor, 0);
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, ini.WriteString("NORMAL", "Path", "a\rb"));
}

void TestSettings::readOnlyFileFailsAndEarlierKeysStay()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Korvane.ini");
    IniFile ini(str(path));
    ini.WriteString("NORMAL", "Path", "/first");
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const QByteArray before = readAll(path);

    try {
        WriteSettingsValues(ini, SettingsValues{}, "/second", 1);
        QFAIL("a read-only file was written");
    } catch (const IniWriteError& e) {
        QCOMPARE(QString(e.what()), "Unable to write to " + path);
        QCOMPARE(QString::fromStdString(e.path()), path);
    }
    QCOMPARE(readAll(path), before);
    QCOMPARE(ReadStartValues(ini).Path, std::string("/first"));
    QVERIFY(strayFiles(dir.path()).isEmpty());
}

void TestSettings::folderWhereFilesCannotBeCreated()
{
    QTemporaryDir dir;
    writeFile(dir.filePath("plain-file"), "x");
    QStringList paths = {dir.filePath("missing-folder/Korvane.ini"), dir.filePath("plain-file/Korvane.ini")};
    QString locked;
    if (::geteuid() != 0) {   // root may create files in any folder
        locked = dir.filePath("locked");
        QVERIFY(QDir(dir.path()).mkdir("locked"));
        QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));
        paths << locked + "/Korvane.ini";
    }
    for (const QString& path : paths) {
        IniFile ini(str(path));
        try {
            ini.WriteString("NORMAL", "Path", "/x");
            QFAIL(qPrintable("written: " + path));
        } catch (const IniWriteError& e) {
            QCOMPARE(QString(e.what()), "Unable to write to " + path);
        }
    }
    if (!locked.isEmpty()) {
        QVERIFY(QDir(locked).entryList(QDir::Files | QDir::Hidden).isEmpty());
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

void TestSettings::replaceKeepsModeAndFollowsSymlink()
{
    QTemporaryDir dir;
    const QString real = dir.filePath("real.ini");
    writeFile(real, "[A]\nk=1\n");
    QVERIFY(::chmod(QFile::encodeName(real).constData(), 0640) == 0);
    const QString link = dir.filePath("Korvane.ini");
    QVERIFY(QFile::link(real, link));

    IniFile ini(str(link));
    ini.WriteInteger("A", "k", 2);
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readAll(real), QByteArray("[A]\nk=2\n"));
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(real).constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 07777), 0640);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);
}

void TestSettings::settingsFileLocation()
{
    QTemporaryDir dir;
    const QString program = dir.filePath("bin");
    QVERIFY(QDir(dir.path()).mkdir("bin"));
    QCOMPARE(QString::fromStdString(SettingsFilePath(str(program + "/"))), program + "/Korvane.ini");

    const QByteArray oldXdg = qgetenv("XDG_CONFIG_HOME");
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));
    const QString unwritable = dir.filePath("no-such-program-dir/");
    QCOMPARE(QString::fromStdString(SettingsFilePath(str(unwritable))),
             dir.filePath("config/plendor/Korvane.ini"));
    QVERIFY(QFileInfo(dir.filePath("config/plendor")).isDir());

    // A relative XDG_CONFIG_HOME is ignored, as the base-directory rules say.
    qputenv("XDG_CONFIG_HOME", "relative/config");
    qputenv("HOME", QFile::encodeName(dir.filePath("home")));
    QCOMPARE(QString::fromStdString(SettingsFilePath(str(unwritable))),
             dir.filePath("home/.config/plendor/Korvane.ini"));

    if (oldXdg.isNull()) qunsetenv("XDG_CONFIG_HOME"); else qputenv("XDG_CONFIG_HOME", oldXdg);
    qputenv("HOME", oldHome);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
