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

QTEST_MAIN(TestCaptions)
#include "tst_captions.moc"
