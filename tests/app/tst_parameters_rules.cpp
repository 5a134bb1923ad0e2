// The rules of the parameter table without a window: number and list
// conversion, and the check a simulation makes before it starts.

#include "bodyparameters.h"

#include <QLocale>
#include <QtTest>

using namespace bodyparameters;

namespace {

QStringList defaultValues()
{
    return {QStringLiteral("92"),
            QStringLiteral("0.01"),
            QStringLiteral("89.6121"),
            QStringLiteral("0.122, 0.2, 0.597, 0.081"),
            QStringLiteral("1.72"),
            QStringLiteral("0.285, 0.245, 0.288, 0.182"),
            QStringLiteral("0.416, 0.323, 0.5, 0.495"),
            QStringLiteral("0.25, 0.25, 0.25, 0.25"),
            QStringLiteral("-90"),
            QStringLiteral("7.933"),
            QStringLiteral("712.0, 807.0")};
}

} // namespace

class TestParameterRules : public QObject
{
    Q_OBJECT

private slots:
    void numbersIgnoreLocaleAndBlanks();
    void fourValueLists_data();
    void fourValueLists();
    void checkAcceptsDefaultsAndFreeId();
    void checkAcceptsLimitsAndExtraItems();
    void checkRefusesBadRows_data();
    void checkRefusesBadRows();
};

void TestParameterRules::numbersIgnoreLocaleAndBlanks()
{
    // A German default locale would read "0.5" as 5 if the table followed it.
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(toNumber(QStringLiteral(" 0.5 ")), 0.5);
    QCOMPARE(toNumber(QStringLiteral("0,5")), 0.0);
    QLocale::setDefault(previous);

    QCOMPARE(toNumber(QStringLiteral("abc")), 0.0);
    QCOMPARE(toNumber(QString()), 0.0);
}

void TestParameterRules::fourValueLists_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("v0");
    QTest::addColumn<double>("v1");
    QTest::addColumn<double>("v2");
    QTest::addColumn<double>("v3");

    // The default lists, lists without blanks, a one-number list and a word
    // as first item are applied through the window (tst_parameters_window).
    QTest::newRow("empty middle item") << "1,,3,4" << 1.0 << 0.0 << 3.0 << 4.0;
    QTest::newRow("extra items ignored") << "1, 2, 3, 4, 5" << 1.0 << 2.0 << 3.0 << 4.0;
}

void TestParameterRules::fourValueLists()
{
    QFETCH(QString, text);
    QFETCH(double, v0);
    QFETCH(double, v1);
    QFETCH(double, v2);
    QFETCH(double, v3);

    Eigen::Vector4d out = Eigen::Vector4d::Constant(99.0);
    parseFourValues(text, out);
    QCOMPARE(out[0], v0);
    QCOMPARE(out[1], v1);
    QCOMPARE(out[2], v2);
    QCOMPARE(out[3], v3);
}

void TestParameterRules::checkAcceptsDefaultsAndFreeId()
{
    QStringList values = defaultValues();
    QCOMPARE(checkValues(values), QString());

    values[IdRow] = QStringLiteral("not a number, and that is fine");
    QCOMPARE(checkValues(values), QString());
    values[IdRow] = QString();
    QCOMPARE(checkValues(values), QString());

    values[MassFractionsRow] = QStringLiteral("0.122,0.2,0.597,0.081");
    values[TurnDirectionRow] = QStringLiteral(" 0 ");
    values[TurnTimeRow] = QStringLiteral("-1");
    QCOMPARE(checkValues(values), QString());
}

void TestParameterRules::checkAcceptsLimitsAndExtraItems()
{
    QStringList values = defaultValues();
    values[TimestepRow] = QStringLiteral("0.0001");
    QCOMPARE(checkValues(values), QString());
    values[TimestepRow] = QStringLiteral("1");
    QCOMPARE(checkValues(values), QString());
    values[TimestepRow] = QStringLiteral("0.01");
    values[ControlCoefficientsRow] = QStringLiteral("712.0, 807.0, 1.0");
    values[IzzFractionsRow] = QStringLiteral("0.25, 0.25, 0.25, 0.25,");
    QCOMPARE(checkValues(values), QString());
}

void TestParameterRules::checkRefusesBadRows_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("timestep word") << int(TimestepRow) << "fast" << "Timestep (s): \"fast\" is not a number.";
    QTest::newRow("timestep empty") << int(TimestepRow) << "  " << "Timestep (s): the value is empty.";
    QTest::newRow("timestep too small") << int(TimestepRow) << "0.00009" << "Timestep (s): 0.00009 is not between 0.0001 s and 1 s.";
    QTest::newRow("timestep too large") << int(TimestepRow) << "1.5" << "Timestep (s): 1.5 is not between 0.0001 s and 1 s.";
    QTest::newRow("body mass zero") << int(BodyMassRow) << "0" << "Body Mass (kg): 0 is not greater than 0.";
    QTest::newRow("body mass comma decimal") << int(BodyMassRow) << "89,6" << "Body Mass (kg): \"89,6\" is not a number.";
    QTest::newRow("body height zero") << int(BodyHeightRow) << "0.0" << "Body Height (m): 0.0 is not greater than 0.";
    QTest::newRow("mass fractions one number") << int(MassFractionsRow) << "0.5" << "Mass Fractions: 4 numbers separated by commas are needed, 1 given.";
    QTest::newRow("mass fractions word") << int(MassFractionsRow) << "0.1, x, 0.5, 0.2" << "Mass Fractions: item 2, \"x\", is not a number.";
    QTest::newRow("length fractions empty item") << int(LengthFractionsRow) << "0.285,, 0.288, 0.182" << "Length Fractions: item 2 is empty.";
    QTest::newRow("izz fractions empty") << int(IzzFractionsRow) << "" << "Izz Fractions: the value is empty.";
    QTest::newRow("turn direction word") << int(TurnDirectionRow) << "left" << "Turn Direction (deg): \"left\" is not a number.";
    QTest::newRow("coefficients one") << int(ControlCoefficientsRow) << "712.0" << "Control Coefficients: 2 numbers separated by commas are needed, 1 given.";
}

void TestParameterRules::checkRefusesBadRows()
{
    QFETCH(int, row);
    QFETCH(QString, text);
    QFETCH(QString, expected);

    QStringList values = defaultValues();
    values[row] = text;
    QCOMPARE(checkValues(values), expected);
}

QTEST_APPLESS_MAIN(TestParameterRules)
#include "tst_parameters_rules.moc"
