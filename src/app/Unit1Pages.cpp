// Builds the three pages of the main window with every control in its initial state. The window
// has a fixed size, so controls sit at fixed places, as the users of the program know them.

#include "app/ListingModel.h"
#include "app/PathListModel.h"
#include "app/SearchAnimation.h"
#include "app/Unit1.h"
#include "catalogue/BrowseQuery.h"
#include "catalogue/DiscNameList.h"
#include "catalogue/RecordNavigator.h"
#include "devices/DriveComboBox.h"
#include "vdrive/DirTree.h"

#include <QCheckBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

const QColor Silver(0xC0, 0xC0, 0xC0);

template <typename Widget>
Widget *placed(Widget *widget, const QString &name, const QRect &geometry)
{
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    return widget;
}

QLabel *label(QWidget *page, const QString &name, const QString &text, const QRect &geometry,
              QWidget *buddy = nullptr)
{
    auto *caption = placed(new QLabel(text, page), name, geometry);
    if (buddy) {
        caption->setBuddy(buddy);
        // Item views and combo boxes do not take their name from a buddy label by themselves.
        buddy->setAccessibleName(text);
    }
    return caption;
}

QCheckBox *checkBox(QWidget *page, const QString &name, const QString &text, const QRect &geometry)
{
    return placed(new QCheckBox(text, page), name, geometry);
}

QFrame *bevel(QWidget *page, const QString &name, const QRect &geometry)
{
    auto *frame = placed(new QFrame(page), name, geometry);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->lower();
    return frame;
}

QPlainTextEdit *memo(QWidget *page, const QString &name, const QRect &geometry, bool wordWrap)
{
    auto *text = placed(new QPlainTextEdit(page), name, geometry);
    text->setReadOnly(true);
    text->setLineWrapMode(wordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    return text;
}

DiscList *discList(QWidget *page, const QString &name, const QRect &geometry)
{
    auto *list = placed(new DiscList(page), name, geometry);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    return list;
}

// The status line: its font shrinks until the text fits, wrapped if need be, instead of being cut.
class FittedLabel final : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *) override
    {
        constexpr int SmallestPixelSize = 8;
        const QRect area = contentsRect();
        const int flags = int(alignment()) | Qt::TextWordWrap;
        QFont fitted = font();
        while (fitted.pixelSize() > SmallestPixelSize) {
            const QRect needed = QFontMetrics(fitted).boundingRect(area, flags, text());
            if (needed.width() <= area.width() && needed.height() <= area.height())
                break;
            fitted.setPixelSize(fitted.pixelSize() - 1);
        }
        QPainter painter(this);
        painter.setFont(fitted);
        painter.setPen(palette().color(foregroundRole()));
        painter.drawText(area, flags, text());
    }
};

QFont boldFont(const QFont &base, int pixelSize)
{
    QFont font = base;
    font.setBold(true);
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace

void TForm1::setBaseColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, colour);
    widget->setPalette(palette);
}

void TForm1::buildImportPage(QWidget *page)
{
    bevel(page, u"Bevel1"_s, QRect(6, 2, 380, 254));
    bevel(page, u"Bevel2"_s, QRect(6, 258, 380, 160));
    bevel(page, u"Bevel3"_s, QRect(392, 2, 314, 344));
    bevel(page, u"Bevel4"_s, QRect(392, 348, 314, 34));
    bevel(page, u"Bevel5"_s, QRect(392, 384, 314, 34));

    m_selection = new PathListModel(this);
    ListBox2 = placed(new QListView(page), u"ListBox2"_s, QRect(10, 22, 372, 166));
    ListBox2->setModel(m_selection);
    ListBox2->setUniformItemSizes(true);
    ListBox2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    setBaseColour(ListBox2, Silver);
    Label9 = label(page, u"Label9"_s, u"Importierte Daten (Dateien und Pfade):"_s,
                   QRect(10, 5, 372, 16), ListBox2);

    m_scanList = new ListingModel(this);
    ListBox1 = placed(new QListView(page), u"ListBox1"_s, QRect(10, 22, 372, 166));
    ListBox1->setModel(m_scanList);
    ListBox1->setUniformItemSizes(true);
    // A window of its own that is never shown: screen readers, which walk a window's children,
    // hidden ones included, never meet the million rows it may hold.
    ListBox1->setWindowFlag(Qt::Window);
    ListBox1->hide();

    PB1 = placed(new QProgressBar(page), u"PB1"_s, QRect(10, 192, 372, 14));
    PB1->setRange(0, 100);
    PB1->setValue(0);
    PB1->setTextVisible(false);
    PB1->setAccessibleName(u"Fortschritt"_s);

    DriveComboBox1 = placed(new DriveComboBox(*m_environment.drives, initialDriveLetter(), page),
                            u"DriveComboBox1"_s, QRect(10, 228, 236, 22));
    Label12 = label(page, u"Label12"_s, u"Importlaufwerk wählen:"_s, QRect(10, 211, 236, 16),
                    DriveComboBox1);
    Edit2 = placed(new QLineEdit(u"C:\\"_s, page), u"Edit2"_s, QRect(252, 228, 130, 22));
    Edit2->setReadOnly(true);
    Edit2->setAccessibleName(u"Laufwerkswurzel"_s);

    Label13 = label(page, u"Label13"_s, u"Importeinstellungen:"_s, QRect(10, 261, 372, 16));
    cb1 = checkBox(page, u"cb1"_s, u"*.EXE"_s, QRect(14, 279, 70, 20));
    cb2 = checkBox(page, u"cb2"_s, u"*.COM"_s, QRect(88, 279, 70, 20));
    cb3 = checkBox(page, u"cb3"_s, u"*.BAT"_s, QRect(162, 279, 70, 20));
    cb4 = checkBox(page, u"cb4"_s, u"*.ZIP"_s, QRect(236, 279, 70, 20));
    cb8 = checkBox(page, u"cb8"_s, u"*.PAS"_s, QRect(310, 279, 70, 20));
    Label13->setBuddy(cb1);

    cb9 = checkBox(page, u"cb9"_s, u"Filter 1:"_s, QRect(14, 302, 72, 20));
    Edit1 = placed(new QLineEdit(u".DPR"_s, page), u"Edit1"_s, QRect(88, 301, 90, 21));
    Edit1->setAccessibleName(cb9->text());
    cb10 = checkBox(page, u"cb10"_s, u"Filter 2:"_s, QRect(196, 302, 72, 20));
    Edit3 = placed(new QLineEdit(u".DOC"_s, page), u"Edit3"_s, QRect(270, 301, 90, 21));
    Edit3->setAccessibleName(cb10->text());

    cb5 = checkBox(page, u"cb5"_s, u"FILE_ID.DIZ oder Readme.txt falls vorhanden mit speichern"_s,
                   QRect(14, 326, 368, 20));
    cb6 = checkBox(page, u"cb6"_s, u"Dateien kürzen wenn länger als"_s, QRect(14, 349, 212, 20));
    Edit4 = placed(new QLineEdit(u"40"_s, page), u"Edit4"_s, QRect(228, 348, 44, 21));
    Label2 = label(page, u"Label2"_s, u"Zeilen."_s, QRect(278, 351, 60, 16), Edit4);
    Edit4->setAccessibleName(cb6->text() + u' ' + Label2->text());
    cb7 = checkBox(page, u"cb7"_s, u"Zip's durchsuchen und Einzeldateien aufnehmen"_s,
                   QRect(14, 372, 368, 20));
    cb20 = checkBox(page, u"cb20"_s, u"Erzeuge virtuelles Laufwerk bei Datenbankerstellung"_s,
                    QRect(14, 395, 368, 20));

    Memo1 = memo(page, u"Memo1"_s, QRect(396, 22, 306, 150), true);
    setBaseColour(Memo1, Silver);
    Label10 = label(page, u"Label10"_s, u"FILE_ID.DIZ/README.TXT falls vorhanden:"_s,
                    QRect(396, 5, 306, 16), Memo1);
    Memo3 = memo(page, u"Memo3"_s, QRect(396, 192, 306, 150), false);
    setBaseColour(Memo3, Silver);
    Label11 = label(page, u"Label11"_s, u"Dateien in Zip Archiv falls importiert:"_s,
                    QRect(396, 175, 306, 16), Memo3);
    Memo2 = memo(page, u"Memo2"_s, QRect(396, 192, 306, 150), false);
    Memo2->hide();

    jep1 = placed(new QPushButton(u"Scan Drive"_s, page), u"jep1"_s, QRect(396, 352, 88, 26));
    db1 = placed(new QPushButton(u"In Datenbank einfügen"_s, page), u"db1"_s,
                 QRect(488, 352, 140, 26));
    db1->setEnabled(false);
    ende = placed(new QPushButton(u"Beenden"_s, page), u"ende"_s, QRect(632, 352, 70, 26));

    Animate1 = placed(new SearchAnimation(page), u"Animate1"_s, QRect(398, 386, 36, 30));
    Animate1->setAccessibleName(u"Suche läuft"_s);
    Label1 = placed(new FittedLabel(page), u"Label1"_s, QRect(436, 386, 266, 30));
    Label1->setFont(boldFont(font(), 19));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setAccessibleName(u"Status"_s);
}

void TForm1::buildBrowsePage(QWidget *page)
{
    cb30 = checkBox(page, u"cb30"_s, u"Editmode (langsam)"_s, QRect(8, 6, 140, 20));
    Button1 = placed(new QPushButton(u"Refresh"_s, page), u"Button1"_s, QRect(150, 5, 58, 22));

    Edit5 = placed(new QLineEdit(page), u"Edit5"_s, QRect(280, 5, 100, 22));
    Label4 = label(page, u"Label4"_s, u"Suche nach:"_s, QRect(210, 8, 70, 16), Edit5);
    SpeedButton1 = placed(new QToolButton(page), u"SpeedButton1"_s, QRect(382, 4, 24, 24));
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setIcon(QIcon::fromTheme(
        u"edit-find"_s, SpeedButton1->style()->standardIcon(QStyle::SP_FileDialogContentsView)));
    SpeedButton1->setToolTip(u"Suchen"_s);
    SpeedButton1->setAccessibleName(u"Suchen"_s);

    DBNavigator1 = placed(new RecordNavigator(page), u"DBNavigator1"_s, QRect(410, 4, 180, 24));
    DBNavigator1->setAccessibleName(u"Datensatznavigator"_s);

    DBEdit1 = placed(new QLineEdit(page), u"DBEdit1"_s, QRect(626, 5, 82, 22));
    DBEdit1->setReadOnly(true);
    Label3 = label(page, u"Label3"_s, u"CD:"_s, QRect(592, 6, 34, 20), DBEdit1);
    Label3->setFont(boldFont(font(), 16));

    TL1 = discList(page, u"TL1"_s, QRect(8, 50, 152, 370));
    setBaseColour(TL1, Silver);
    TL1->addItem(DiscNameList::AllDiscs);
    Label5 = label(page, u"Label5"_s, u"CD's in Datenbank:"_s, QRect(8, 33, 152, 16), TL1);
    bevel(page, u"Bevel6"_s, QRect(4, 30, 704, 2));

    RxQuery1 = new BrowseQuery(catalogue(), this);
    RxQuery1->setObjectName(u"RxQuery1"_s);
    RxDBGrid1 = placed(new QTableView(page), u"RxDBGrid1"_s, QRect(166, 50, 540, 190));
    RxDBGrid1->setModel(RxQuery1);
    for (int column = 0; column < 5; ++column)
        RxDBGrid1->setColumnHidden(column, column != 2);
    RxDBGrid1->horizontalHeader()->setStretchLastSection(true);
    RxDBGrid1->verticalHeader()->setDefaultSectionSize(18);
    RxDBGrid1->horizontalHeader()->hide();
    RxDBGrid1->verticalHeader()->setFixedWidth(12);
    RxDBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    RxDBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    RxDBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    setBaseColour(RxDBGrid1, Silver);
    Label6 = label(page, u"Label6"_s, u"Gespeicherte Daten:"_s, QRect(166, 33, 540, 16), RxDBGrid1);

    DBMemo1 = memo(page, u"DBMemo1"_s, QRect(166, 264, 268, 156), true);
    setBaseColour(DBMemo1, Silver);
    Label7 = label(page, u"Label7"_s, u"File_ID.DIZ/README.TXT falls vorhanden:"_s,
                   QRect(166, 246, 268, 16), DBMemo1);
    DBMemo2 = memo(page, u"DBMemo2"_s, QRect(438, 264, 268, 156), false);
    setBaseColour(DBMemo2, Silver);
    Label8 = label(page, u"Label8"_s, u"Dateien in Zip Archiv falls importiert:"_s,
                   QRect(438, 246, 268, 16), DBMemo2);
}

void TForm1::buildVirtualDrivePage(QWidget *page)
{
    TL2 = discList(page, u"TL2"_s, QRect(8, 22, 152, 398));
    setBaseColour(TL2, Silver);
    Label14 = label(page, u"Label14"_s, u"CD's in Datenbank:"_s, QRect(8, 5, 152, 16), TL2);

    TreeView1 = placed(new QTreeWidget(page), u"TreeView1"_s, QRect(166, 22, 540, 398));
    TreeView1->setHeaderHidden(true);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->setIndentation(19);
    Label15 = label(page, u"Label15"_s, u"Virtuelles Laufwerk, falls bei Import erstellt:"_s,
                    QRect(166, 5, 540, 16), TreeView1);

    // Never shown: a virtual drive is read beside the window. A thin strip beside TreeView1 keeps
    // it off the view all the same.
    DirTree1 = placed(new TDirTree(*m_environment.drives, m_paths, page), u"DirTree1"_s,
                      QRect(708, 22, 4, 398));
    DirTree1->setAllowNetwork(false);
    DirTree1->setDirType(TDirTree::TDirType(TDirTree::dtReadOnly) | TDirTree::dtHidden |
                         TDirTree::dtSystem | TDirTree::dtArchive | TDirTree::dtNormal |
                         TDirTree::dtAll);
    DirTree1->hide();
}
