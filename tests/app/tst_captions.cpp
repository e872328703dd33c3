// Every caption of the main window and the naming dialog is shown whole: its control is at least
// as large as the caption needs. CTest runs it at the default scale and at QT_SCALE_FACTOR=1.25.

#include "catalogue/Unit2.h"
#include "support/FormFixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

using namespace Qt::StringLiterals;

namespace {

// What a caption needs. A push button's size hint holds a minimum width beyond its text, so for
// a button it is the text with the margins and frame the style draws around it.
QSize neededSize(const QWidget &control)
{
    const auto *button = qobject_cast<const QPushButton *>(&control);
    if (!button)
        return control.sizeHint();
    const QStyle *style = button->style();
    const int aroundText = 2 * (style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                                style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button));
    const QFontMetrics metrics = button->fontMetrics();
    return {metrics.horizontalAdvance(button->text()) + aroundText, metrics.height()};
}

// The controls whose caption is cut because they are smaller than it needs.
template <typename T> void appendClipped(const QWidget &window, QStringList &clipped)
{
    for (const T *control : window.findChildren<T *>()) {
        const QSize needed = neededSize(*control);
        if (control->width() < needed.width() || control->height() < needed.height())
            clipped.append(u"%1 \"%2\" %3x%4 < %5x%6"_s.arg(
                control->objectName(), control->text(), QString::number(control->width()),
                QString::number(control->height()), QString::number(needed.width()),
                QString::number(needed.height())));
    }
}

} // namespace

class TestCaptions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void noControlCutsItsCaption();
    void statusLineShowsEveryStatusWhole_data();
    void statusLineShowsEveryStatusWhole();
};

void TestCaptions::noControlCutsItsCaption()
{
    FormFixture fixture;
    TForm1 &form = fixture.show();
    if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
        QCOMPARE(form.devicePixelRatioF(), qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());
    // Without a parent, so that its controls are not counted as the main window's.
    TForm2 naming;
    naming.show();
    QVERIFY(QTest::qWaitForWindowExposed(&naming));

    QStringList clipped;
    for (const QWidget *window : std::initializer_list<const QWidget *>{&form, &naming}) {
        appendClipped<QLabel>(*window, clipped);
        appendClipped<QCheckBox>(*window, clipped);
        appendClipped<QPushButton>(*window, clipped);
        appendClipped<QRadioButton>(*window, clipped);
    }
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(u"; "_s)));
}

void TestCaptions::statusLineShowsEveryStatusWhole_data()
{
    QTest::addColumn<QString>("status");
    for (const QString &status :
         {u"Scanne das Laufwerk"_s, u"Durchsuche Ergebnismenge"_s, u"Füge Daten in Datenbank ein"_s,
          u"Erzeuge virtuelles Laufwerk"_s,
          u"Warte auf die Datenbank, die ein anderer Import oder ein anderes Programm gerade "
          u"benutzt"_s})
        QTest::newRow(qPrintable(status)) << status;
}

void TestCaptions::statusLineShowsEveryStatusWhole()
{
    QFETCH(QString, status);
    FormFixture fixture;
    auto *statusLine = fixture.show().findChild<QLabel *>(u"Label1"_s);
    QVERIFY(statusLine);
    statusLine->setText(status);
    const QImage shown = statusLine->grab().toImage();
    // A cut text runs over both edges; a whole one leaves them in the background colour.
    const QRgb background = shown.pixel(0, 0);
    for (const int x : {0, shown.width() - 1})
        for (int y = 0; y < shown.height(); ++y)
            QVERIFY2(shown.pixel(x, y) == background, qPrintable(u"ink at %1,%2"_s.arg(x).arg(y)));
}

QTEST_MAIN(TestCaptions)
#include "tst_captions.moc"
