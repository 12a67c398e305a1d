#include "platform/RegHiveFile.h"

#include <QStringEncoder>
#include <cstring>
#include <gtest/gtest.h>

namespace
{

const QString Hkcu = QStringLiteral("HKEY_CURRENT_USER");

RegValue sz(const QString& text, RegDataType type = RegDataType::Sz)
{
    RegValue v;
    v.type = type;
    v.text = text;
    return v;
}

RegValue dword(uint32_t n)
{
    RegValue v;
    v.type = RegDataType::Dword;
    v.dword = n;
    return v;
}

RegValue raw(RegDataType type, const QByteArray& bytes)
{
    RegValue v;
    v.type = type;
    v.bytes = bytes;
    return v;
}

QByteArray doubleBytes(double d)
{
    QByteArray b(8, '\0');
    std::memcpy(b.data(), &d, 8);
    return b;
}

void expectSame(const RegValue* actual, const RegValue& expected, const char* what)
{
    ASSERT_NE(actual, nullptr) << what;
    EXPECT_TRUE(TRegKeyNode::SameValue(*actual, expected))
        << what << ": type " << uint32_t(actual->type) << " text '" << actual->text.toStdString() << "'";
}

} // namespace

TEST(RegHiveFile, RoundTripKeepsEveryTypeNameAndText)
{
    TRegKeyNode root;
    TRegKeyNode* key = root.FindOrCreate(
        { QStringLiteral("Software"), QStringLiteral("Kestrine"), QStringLiteral("Stillex") });
    const std::vector<std::pair<QString, RegValue>> values = {
        { QStringLiteral("Incrust1"), sz(QStringLiteral("réalisé le %R")) },
        { QStringLiteral("Marker"), sz(QStringLiteral("#@vide§#")) },
        { QStringLiteral("Empty"), sz(QString()) },
        { QString(), sz(QStringLiteral("default value")) },
        { QStringLiteral("@"), sz(QStringLiteral("a value named @")) },
        { QStringLiteral("na\"me"), sz(QStringLiteral("say \"hi\"")) },
        { QStringLiteral("back\\slash"), sz(QStringLiteral("C:\\Images\\")) },
        { QStringLiteral("eq=name]"), sz(QStringLiteral("a=b]c[d")) },
        { QStringLiteral(" padded "), sz(QStringLiteral("  spaces kept  ")) },
        { QStringLiteral("Lines"), sz(QStringLiteral("one\r\ntwo\nthree")) },
        { QStringLiteral("WithNul"), sz(QString::fromUtf16(u"a\0b", 3)) },
        { QStringLiteral("Expand"), sz(QStringLiteral("%HOME%/Vidéos"), RegDataType::ExpandSz) },
        { QStringLiteral("ExpandEmpty"), sz(QString(), RegDataType::ExpandSz) },
        { QStringLiteral("Answer"), dword(0x2a) },
        { QStringLiteral("Max"), dword(0xffffffffu) },
        { QStringLiteral("Decalage Horaire"), raw(RegDataType::Binary, doubleBytes(1.5)) },
        { QStringLiteral("NoBytes"), raw(RegDataType::Binary, QByteArray()) },
        { QStringLiteral("Long"), raw(RegDataType::Binary, QByteArray(300, '\x7f')) },
        { QStringLiteral("Multi"), raw(RegDataType(7), QByteArray("a\0b\0\0", 5)) },
        { QStringLiteral("Qword"), raw(RegDataType(11), QByteArray(8, '\x01')) },
    };
    for (const auto& [name, value] : values)
        key->SetValue(name, value);
    root.FindOrCreate({ QStringLiteral("Software"), QStringLiteral("beta") });
    root.FindOrCreate(
        { QStringLiteral("Software"), QStringLiteral("Alpha"), QStringLiteral("br]acket key") });
    root.FindOrCreate({ QStringLiteral("Software"), QStringLiteral("gamma "), QStringLiteral("Empty leaf") });
    root.SetValue(QStringLiteral("AtRoot"), dword(1));

    const QByteArray text = TRegHiveFile::Serialize(root, Hkcu);
    EXPECT_TRUE(text.startsWith("REGEDIT4\n\n[HKEY_CURRENT_USER]\n\"AtRoot\"=dword:00000001\n"));
    EXPECT_TRUE(text.contains("\n\"na\\\"me\"=\"say \\\"hi\\\"\"\n"));
    EXPECT_TRUE(text.contains("\n\"back\\\\slash\"=\"C:\\\\Images\\\\\"\n"));
    EXPECT_TRUE(text.contains("\n\"Answer\"=dword:0000002a\n"));
    EXPECT_TRUE(text.contains("\n\"Decalage Horaire\"=hex:00,00,00,00,00,00,f8,3f\n"));
    EXPECT_TRUE(text.contains("\n@=\"default value\"\n"));
    EXPECT_TRUE(text.contains("\n\"Incrust1\"=\"réalisé le %R\"\n"));
    EXPECT_TRUE(text.contains("[HKEY_CURRENT_USER\\Software\\Alpha\\br]acket key]\n"));
    for (const QByteArray& line : text.split('\n'))
        EXPECT_LE(line.size(), 80) << line.constData();

    const TRegHiveFile::TParsed parsed = TRegHiveFile::Parse(text, Hkcu);
    ASSERT_TRUE(parsed.recognised);
    EXPECT_EQ(parsed.skippedLines, 0);
    const TRegKeyNode* back = parsed.root->Find(
        { QStringLiteral("SOFTWARE"), QStringLiteral("kestrine"), QStringLiteral("stillex") });
    ASSERT_NE(back, nullptr);
    QStringList expectedNames;
    for (const auto& [name, value] : values) {
        expectSame(back->Value(name), value, qPrintable(name));
        expectedNames.append(name);
    }
    EXPECT_EQ(back->ValueNames(), expectedNames);
    expectSame(parsed.root->Value(QStringLiteral("AtRoot")), dword(1), "root value");

    const TRegKeyNode* software = parsed.root->Find({ QStringLiteral("Software") });
    ASSERT_NE(software, nullptr);
    EXPECT_EQ(software->ChildNames(),
        QStringList({ QStringLiteral("Alpha"), QStringLiteral("beta"), QStringLiteral("gamma "),
            QStringLiteral("Kestrine") }));
    EXPECT_NE(parsed.root->Find(
                  { QStringLiteral("Software"), QStringLiteral("gamma "), QStringLiteral("Empty leaf") }),
        nullptr);
    EXPECT_NE(software->Child(QStringLiteral("alpha"))->Child(QStringLiteral("BR]ACKET KEY")), nullptr);

    // Writing what was read gives the same file: nothing drifts from save to save.
    EXPECT_EQ(TRegHiveFile::Serialize(*parsed.root, Hkcu), text);
}

TEST(RegHiveFile, ReadsFilesWrittenElsewhere)
{
    // Windows line ends, comments, blanks, a wrapped hex list, upper-case
    // hex, a DWORD given as hex(4), repeated sections that merge.
    const QByteArray windows = "\r\nREGEDIT4\r\n\r\n; exported\r\n"
                               "[HKEY_CURRENT_USER\\Software\\GNU\\ffdshow]\r\n"
                               "\"trayIcon\"=DWORD:0000000A\r\n"
                               "\"blob\"=hex:01,02,\\\r\n  03,FF\r\n"
                               "\"as4\"=hex(4):2a,00,00,00\r\n"
                               "\"spaced\" = \"x\"\r\n"
                               "[hkey_current_user\\software\\gnu\\FFDSHOW]\r\n"
                               "\"later\"=dword:1\r\n";
    TRegHiveFile::TParsed parsed = TRegHiveFile::Parse(windows, Hkcu);
    ASSERT_TRUE(parsed.recognised);
    EXPECT_EQ(parsed.skippedLines, 0);
    const TRegKeyNode* key
        = parsed.root->Find({ QStringLiteral("Software"), QStringLiteral("GNU"), QStringLiteral("ffdshow") });
    ASSERT_NE(key, nullptr);
    expectSame(key->Value(QStringLiteral("trayIcon")), dword(10), "trayIcon");
    expectSame(key->Value(QStringLiteral("blob")),
        raw(RegDataType::Binary, QByteArray("\x01\x02\x03\xff", 4)), "blob");
    expectSame(key->Value(QStringLiteral("as4")), dword(42), "as4");
    expectSame(key->Value(QStringLiteral("spaced")), sz(QStringLiteral("x")), "spaced");
    expectSame(key->Value(QStringLiteral("later")), dword(1), "later");

    // An 8-bit file that is not UTF-8 keeps its accented letters.
    parsed = TRegHiveFile::Parse("REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"t\"=\"r\xe9"
                                 "alis\xe9"
                                 "\"\n",
        Hkcu);
    ASSERT_TRUE(parsed.recognised);
    expectSame(parsed.root->Find({ QStringLiteral("K") })->Value(QStringLiteral("t")),
        sz(QStringLiteral("réalisé")), "latin-1");

    // A version-5 export: UTF-16LE with its mark, hex(2) as UTF-16LE bytes.
    const QString v5 = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                                      "[HKEY_CURRENT_USER\\K]\r\n"
                                      "\"e\"=hex(2):25,00,e9,00,25,00,00,00\r\n"
                                      "\"s\"=\"§é\"\r\n");
    QStringEncoder toUtf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    parsed = TRegHiveFile::Parse(toUtf16.encode(v5), Hkcu);
    ASSERT_TRUE(parsed.recognised);
    EXPECT_EQ(parsed.skippedLines, 0);
    const TRegKeyNode* k = parsed.root->Find({ QStringLiteral("K") });
    ASSERT_NE(k, nullptr);
    expectSame(k->Value(QStringLiteral("e")), sz(QStringLiteral("%é%"), RegDataType::ExpandSz), "v5 expand");
    expectSame(k->Value(QStringLiteral("s")), sz(QStringLiteral("§é")), "v5 string");
}

TEST(RegHiveFile, DamagedContentIsCountedNotGuessed)
{
    for (const QByteArray& garbage : { QByteArray("\x00\x01\x02garbage\xff", 11), QByteArray("REGEDIT"),
             QByteArray("[HKEY_CURRENT_USER\\K]\n\"a\"=dword:1\n") }) {
        const TRegHiveFile::TParsed parsed = TRegHiveFile::Parse(garbage, Hkcu);
        EXPECT_FALSE(parsed.recognised);
        EXPECT_FALSE(parsed.root->HasChildren());
        EXPECT_FALSE(parsed.root->HasValues());
    }

    QByteArray deep = "REGEDIT4\n\n[HKEY_CURRENT_USER";
    for (int i = 0; i < TRegHiveFile::MaxDepth + 1; ++i)
        deep += "\\k";
    deep += "]\n\"v\"=dword:1\n";

    const QByteArray damaged = "REGEDIT4\n"
                               "\"orphan\"=dword:1\n" // before any key
                               "[HKEY_CURRENT_USER\\Good]\n"
                               "\"ok\"=dword:00000001\n"
                               "\"badDword\"=dword:zz\n" // not hex
                               "\"tooLong\"=dword:123456789\n" // more than 32 bits
                               "\"unterminated=\"x\"\n" // the name never closes
                               "\"noEquals\" \"x\"\n"
                               "\"trailing\"=\"x\" junk\n"
                               "\"cut\"=hex:01,02,\\\n" // list cut short by the next key
                               "[HKEY_CURRENT_USER\\Next]\n"
                               "\"kept\"=\"yes\"\n"
                               "[HKEY_LOCAL_MACHINE\\Other]\n" // another hive's key
                               "\"foreign\"=dword:1\n"
                               "[-HKEY_CURRENT_USER\\Gone]\n" // a deletion order
                               "[HKEY_CURRENT_USER\\Open\n" // no closing bracket
                               "\"lost\"=dword:1\n"
                               "just text\n"
                               "[HKEY_CURRENT_USER\\Good]\n"
                               "\"ok2\"=hex(2):41,00\n"
                               "\"odd4\"=hex(4):01,02\n"
                               "\"badHex\"=hex:1g\n";
    const TRegHiveFile::TParsed parsed = TRegHiveFile::Parse(damaged + deep.mid(10), Hkcu);
    ASSERT_TRUE(parsed.recognised);
    EXPECT_EQ(parsed.skippedLines, 17);
    const TRegKeyNode* good = parsed.root->Find({ QStringLiteral("Good") });
    ASSERT_NE(good, nullptr);
    EXPECT_EQ(good->ValueNames(), QStringList({ QStringLiteral("ok"), QStringLiteral("ok2") }));
    expectSame(good->Value(QStringLiteral("ok2")), sz(QStringLiteral("A"), RegDataType::ExpandSz), "ok2");
    const TRegKeyNode* next = parsed.root->Find({ QStringLiteral("Next") });
    ASSERT_NE(next, nullptr);
    expectSame(next->Value(QStringLiteral("kept")), sz(QStringLiteral("yes")), "kept");
    EXPECT_EQ(parsed.root->ChildNames(), QStringList({ QStringLiteral("Good"), QStringLiteral("Next") }));
}
