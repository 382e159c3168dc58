// The Windows-1250 code page of the score files: every byte must survive a load and a save.
#include "toolkit/text/cp1250.h"

#include <QtTest>

class Cp1250Test : public QObject {
    Q_OBJECT

private slots:
    void everyByteRoundTrips();
    void bytesDecodeToTheirLetters_data();
    void bytesDecodeToTheirLetters();
    void czechLettersRoundTrip();
    void encode_data();
    void encode();
    void typableCharacters_data();
    void typableCharacters();
};

void Cp1250Test::everyByteRoundTrips() {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const QString text = tk::cp1250::Decode(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(tk::cp1250::Encode(text), all);
    // Distinct bytes give distinct characters, or a save could not tell them apart.
    QCOMPARE(QSet<QChar>(text.begin(), text.end()).size(), 256);
}

void Cp1250Test::bytesDecodeToTheirLetters_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("unicode");
    QTest::newRow("ASCII") << 0x41 << 0x41;
    QTest::newRow("euro") << 0x80 << 0x20AC;
    QTest::newRow("undefined 81") << 0x81 << 0x81;
    QTest::newRow("undefined 83") << 0x83 << 0x83;
    QTest::newRow("undefined 88") << 0x88 << 0x88;
    QTest::newRow("undefined 90") << 0x90 << 0x90;
    QTest::newRow("undefined 98") << 0x98 << 0x98;
    QTest::newRow("S caron") << 0x8A << 0x0160;
    QTest::newRow("T caron") << 0x8D << 0x0164;
    QTest::newRow("Z caron") << 0x8E << 0x017D;
    QTest::newRow("s caron") << 0x9A << 0x0161;
    QTest::newRow("t caron") << 0x9D << 0x0165;
    QTest::newRow("z caron") << 0x9E << 0x017E;
    QTest::newRow("no-break space") << 0xA0 << 0x00A0;
    QTest::newRow("caron") << 0xA1 << 0x02C7;
    QTest::newRow("L stroke") << 0xA3 << 0x0141;
    QTest::newRow("C caron") << 0xC8 << 0x010C;
    QTest::newRow("E caron") << 0xCC << 0x011A;
    QTest::newRow("D caron") << 0xCF << 0x010E;
    QTest::newRow("N caron") << 0xD2 << 0x0147;
    QTest::newRow("R caron") << 0xD8 << 0x0158;
    QTest::newRow("U ring") << 0xD9 << 0x016E;
    QTest::newRow("a acute") << 0xE1 << 0x00E1;
    QTest::newRow("c caron") << 0xE8 << 0x010D;
    QTest::newRow("e caron") << 0xEC << 0x011B;
    QTest::newRow("d caron") << 0xEF << 0x010F;
    QTest::newRow("n caron") << 0xF2 << 0x0148;
    QTest::newRow("r caron") << 0xF8 << 0x0159;
    QTest::newRow("u ring") << 0xF9 << 0x016F;
    QTest::newRow("y acute") << 0xFD << 0x00FD;
    QTest::newRow("dot above") << 0xFF << 0x02D9;
}

void Cp1250Test::bytesDecodeToTheirLetters() {
    QFETCH(int, byte);
    QFETCH(int, unicode);
    const QString text = tk::cp1250::Decode(QByteArray(1, static_cast<char>(byte)));
    QCOMPARE(text.size(), 1);
    QCOMPARE(int(text.front().unicode()), unicode);
    QCOMPARE(tk::cp1250::Encode(text), QByteArray(1, static_cast<char>(byte)));
}

void Cp1250Test::czechLettersRoundTrip() {
    const QString letters = QStringLiteral("áčďéěíňóřšťúůýžÁČĎÉĚÍŇÓŘŠŤÚŮÝŽ");
    const QByteArray bytes = tk::cp1250::Encode(letters);
    QCOMPARE(bytes.size(), letters.size());
    QVERIFY(!bytes.contains('?'));
    QCOMPARE(tk::cp1250::Decode(bytes), letters);
}

void Cp1250Test::encode_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << "" << QByteArray();
    QTest::newRow("empty name of a fresh table")
        << "--prázdný--" << QByteArray("\x2D\x2D\x70\x72\xE1\x7A\x64\x6E\xFD\x2D\x2D");
    QTest::newRow("German letters the page has") << "äöüß" << QByteArray("\xE4\xF6\xFC\xDF");
    QTest::newRow("Spanish n tilde is not in the page") << "Peña" << QByteArray("Pe?a");
    QTest::newRow("CJK") << "名" << QByteArray("?");
    QTest::newRow("character outside the basic plane is one question mark") << "a😀b" << QByteArray("a?b");
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray("?");
    QTest::newRow("control characters pass") << QString("\r\n") + QChar(26) << QByteArray("\r\n\x1A");
}

void Cp1250Test::encode() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(tk::cp1250::Encode(text), bytes);
}

void Cp1250Test::typableCharacters_data() {
    QTest::addColumn<int>("unicode");
    QTest::addColumn<bool>("encodable");
    QTest::addColumn<bool>("typable");
    QTest::newRow("letter") << int('a') << true << true;
    QTest::newRow("space") << int(' ') << true << true;
    QTest::newRow("r caron") << 0x0159 << true << true;
    QTest::newRow("euro") << 0x20AC << true << true;
    QTest::newRow("no-break space") << 0xA0 << true << true;
    QTest::newRow("tilde") << int('~') << true << true;
    QTest::newRow("CR") << int('\r') << true << false;
    QTest::newRow("LF") << int('\n') << true << false;
    QTest::newRow("end of file byte") << 26 << true << false;
    QTest::newRow("NUL") << 0 << true << false;
    QTest::newRow("DEL") << 0x7F << true << false;
    QTest::newRow("undefined byte's control") << 0x81 << true << false;
    QTest::newRow("other C1 control") << 0x85 << false << false;
    QTest::newRow("n tilde") << 0xF1 << false << false;
    QTest::newRow("CJK") << 0x540D << false << false;
    QTest::newRow("surrogate") << 0xD83D << false << false;
}

void Cp1250Test::typableCharacters() {
    QFETCH(int, unicode);
    QFETCH(bool, encodable);
    QFETCH(bool, typable);
    const QChar c(static_cast<char16_t>(unicode));
    QCOMPARE(tk::cp1250::CanEncode(c), encodable);
    QCOMPARE(tk::cp1250::IsTypable(c), typable);
}

QTEST_GUILESS_MAIN(Cp1250Test)
#include "cp1250_test.moc"
