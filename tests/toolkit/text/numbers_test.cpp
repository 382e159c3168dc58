// Numbers as text: the score cells are read with StrToInt and the time left is shown with FloatToStr.
#include "toolkit/text/errors.h"
#include "toolkit/text/numbers.h"

#include <QProcess>
#include <QtTest>

#include <cstdio>
#include <cstring>
#include <limits>

namespace {
// Run as a child with this argument, the test prints what the user's locale makes of 59.9.
constexpr const char* kPrintArgument = "--print-time-left";

void FloatRow(const char* name, double value, char separator, const char* text) {
    QTest::newRow(name) << value << QString(QLatin1Char(separator)) << QString::fromUtf8(text);
}
} // namespace

class NumbersTest : public QObject {
    Q_OBJECT

private slots:
    void intToStr_data();
    void intToStr();
    void strToIntReadsValidText_data();
    void strToIntReadsValidText();
    void strToIntRejectsWithTheWholeText_data();
    void strToIntRejectsWithTheWholeText();
    void floatToStr_data();
    void floatToStr();
    void floatToStrTakesTheSeparatorOfTheUsersLocale_data();
    void floatToStrTakesTheSeparatorOfTheUsersLocale();
};

void NumbersTest::intToStr_data() {
    QTest::addColumn<qint64>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64{0} << "0";
    QTest::newRow("positive") << qint64{57} << "57";
    QTest::newRow("negative") << qint64{-300} << "-300";
    QTest::newRow("int32 min") << qint64{std::numeric_limits<qint32>::min()} << "-2147483648";
    QTest::newRow("int64 min") << std::numeric_limits<qint64>::min() << "-9223372036854775808";
}

void NumbersTest::intToStr() {
    QFETCH(qint64, value);
    QFETCH(QString, text);
    QCOMPARE(tk::IntToStr(value), text);
}

void NumbersTest::strToIntReadsValidText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "57" << 57;
    QTest::newRow("two leading spaces") << "  57" << 57;
    QTest::newRow("padded zero of a fresh table") << "        0" << 0;
    QTest::newRow("minus") << "-5" << -5;
    QTest::newRow("plus") << "+5" << 5;
    QTest::newRow("spaces then sign") << "   -12" << -12;
    QTest::newRow("leading zeros") << "007" << 7;
    QTest::newRow("int32 max") << "2147483647" << std::numeric_limits<int>::max();
    QTest::newRow("int32 min") << "-2147483648" << std::numeric_limits<int>::min();
    QTest::newRow("many leading zeros") << "0000000000002147483647" << std::numeric_limits<int>::max();
    QTest::newRow("dollar hex") << "$FF" << 255;
    QTest::newRow("dollar hex lower case") << "$ff" << 255;
    QTest::newRow("x hex") << "x1A" << 26;
    QTest::newRow("X hex") << "X1a" << 26;
    QTest::newRow("0x hex") << "0x10" << 16;
    QTest::newRow("0X hex") << "0X10" << 16;
    QTest::newRow("signed hex") << "-$10" << -16;
    QTest::newRow("hex full pattern") << "$FFFFFFFF" << -1;
    QTest::newRow("hex sign bit") << "$80000000" << std::numeric_limits<int>::min();
    QTest::newRow("hex leading zeros do not count") << "$000000001" << 1;
    QTest::newRow("single zero") << "0" << 0;
}

void NumbersTest::strToIntReadsValidText() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(tk::StrToInt(text), value);
}

void NumbersTest::strToIntRejectsWithTheWholeText_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("spaces only") << "  ";
    QTest::newRow("sign only") << "+";
    QTest::newRow("minus only") << "-";
    QTest::newRow("trailing letter") << "12a";
    QTest::newRow("inner space") << "1 2";
    QTest::newRow("trailing space") << "12 ";
    QTest::newRow("hex prefix only") << "0x";
    QTest::newRow("dollar only") << "$";
    QTest::newRow("x only") << "x";
    QTest::newRow("bad hex digit") << "$G";
    QTest::newRow("decimal one past max") << "2147483648";
    QTest::newRow("decimal one past min") << "-2147483649";
    QTest::newRow("far too long") << "99999999999999999999999";
    QTest::newRow("nine hex digits") << "$100000000";
    QTest::newRow("hex after decimal digit") << "00x1";
    QTest::newRow("sign after hex prefix") << "0x-1";
    QTest::newRow("two signs") << "--5";
    QTest::newRow("sign at the end") << "5-";
    QTest::newRow("tab is not a leading space") << "\t5";
    QTest::newRow("text of a hand-edited file") << "abc";
    QTest::newRow("arabic-indic digit") << QString(QChar(0x0663));
    QTest::newRow("fullwidth digit") << QString(QChar(0xFF15));
    QTest::newRow("decimal point") << "5.0";
}

void NumbersTest::strToIntRejectsWithTheWholeText() {
    QFETCH(QString, text);
    try {
        tk::StrToInt(text);
        QFAIL("no error raised");
    } catch (const tk::EConvertError& error) {
        QCOMPARE(error.Text(), QStringLiteral("'") + text + QStringLiteral("' is not a valid integer value"));
    }
}

void NumbersTest::floatToStr_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("text");
    FloatRow("whole number has no separator", 60.0, '.', "60");
    FloatRow("one decimal", 59.9, '.', "59.9");
    FloatRow("comma locale", 59.9, ',', "59,9");
    // The time left is counted in tenths; 599 / 10.0 is 59.900000000000006 before rounding to 15 digits.
    FloatRow("tenths after division", 599 / 10.0, '.', "59.9");
    FloatRow("tenths counted down", 60.0 - 0.1 - 0.1 - 0.1, '.', "59.7");
    FloatRow("sum that is not exact", 0.1 + 0.2, '.', "0.3");
    FloatRow("a tenth", 0.1, '.', "0.1");
    FloatRow("zero", 0.0, '.', "0");
    FloatRow("negative zero", -0.0, '.', "0");
    FloatRow("negative", -0.1, '.', "-0.1");
    FloatRow("fifteen digits kept", 2.0 / 3.0, '.', "0.666666666666667");
    FloatRow("largest plain", 1e14, '.', "100000000000000");
    FloatRow("plain with fraction", 123456.789, '.', "123456.789");
    FloatRow("exponent from 15 digits", 1e15, '.', "1E15");
    FloatRow("large exponent", 1e16, '.', "1E16");
    FloatRow("exponent with mantissa", 1.5e20, ',', "1,5E20");
    FloatRow("rounded mantissa", 123456789012345678.0, '.', "1.23456789012346E17");
    FloatRow("smallest plain", 0.0001, '.', "0.0001");
    FloatRow("negative exponent", 1e-5, '.', "1E-5");
    FloatRow("negative exponent with mantissa", -1.5e-7, '.', "-1.5E-7");
    FloatRow("three digit exponent", 1e-300, '.', "1E-300");
    FloatRow("not a number", std::numeric_limits<double>::quiet_NaN(), '.', "NAN");
    FloatRow("infinity", -std::numeric_limits<double>::infinity(), '.', "-INF");
}

void NumbersTest::floatToStr() {
    QFETCH(double, value);
    QFETCH(QString, separator);
    QFETCH(QString, text);
    QCOMPARE(tk::FloatToStr(value, separator.front()), text);
}

void NumbersTest::floatToStrTakesTheSeparatorOfTheUsersLocale_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::newRow("none set") << "C"
                              << "59.9";
    QTest::newRow("Czech") << "cs_CZ.UTF-8"
                           << "59,9";
    QTest::newRow("English") << "en_GB.UTF-8"
                             << "59.9";
}

// The system locale is read once per process, so each locale gets a child process of its own.
void NumbersTest::floatToStrTakesTheSeparatorOfTheUsersLocale() {
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), locale);
    env.insert(QStringLiteral("LC_NUMERIC"), locale);
    env.insert(QStringLiteral("LANG"), locale);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kPrintArgument)});
    QVERIFY(child.waitForFinished());
    QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()), text);
}

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], kPrintArgument) == 0) {
        QCoreApplication app(argc, argv);
        std::fputs(tk::FloatToStr(599 / 10.0).toUtf8().constData(), stdout);
        return 0;
    }
    QCoreApplication app(argc, argv);
    NumbersTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "numbers_test.moc"
