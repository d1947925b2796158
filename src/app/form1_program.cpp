// The "Program" page: identification, traffic flags, programme type,
// alternative frequencies and decoder identification.
#include "app/form1.h"

#include "app/form1_build.h"
#include "app/key_filter.h"
#include "app/latin1.h"
#include "app/translation.h"
#include "content/af_list.h"
#include "content/pi.h"
#include "content/pty.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
#include <QTableWidget>

namespace quorvan_app {

using namespace build;

namespace {

// Forwards the AF grid's key release of Delete to SGAFKeyUp.
class KeyUpFilter : public QObject {
public:
    KeyUpFilter(QWidget* target, std::function<void(int)> handler)
        : QObject(target), handler_(std::move(handler))
    {
        target->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyRelease) {
            const auto* k = static_cast<QKeyEvent*>(event);
            if (!k->isAutoRepeat())
                handler_(k->key());
        }
        return false;
    }

private:
    std::function<void(int)> handler_;
};

QStringList ptyItems(int coding)
{
    QStringList out;
    for (const std::string& name : quorvan::PTYNames(coding))
        out << toQt(name);
    return out;
}

} // namespace

void TForm1::buildProgramPage()
{
    QWidget* page = TSProgram;
    LOGO = named(new QLabel(page), "LOGO", 1);
    LOGO->setProperty(kPictureProperty, true);
    LOGO->setGeometry(0, 0, 489, 261);
    LOGO->setAlignment(Qt::AlignCenter);
    LOGO->lower();

    GBID = group(page, "GBID", QStringLiteral("Identification"), 4, 2, 172, 68);
    LPSDEF = label(GBID, "LPSDEF", QStringLiteral("Default PS"), 8, 20, 62);
    // Eight of the widest bold letters fit without scrolling.
    PSDEF = edit(GBID, "PSDEF", 8, 72, 18, 94);
    bold(PSDEF);
    LPI = label(GBID, "LPI", QStringLiteral("PI"), 8, 44, 62);
    PI = edit(GBID, "PI", 4, 72, 42, 48);
    PI->setToolTip(QStringLiteral("Program Identification"));
    PI->setText(QStringLiteral("FFFF"));

    GBTRAF = group(page, "GBTRAF", QStringLiteral("Traffic Settings"), 4, 72, 172, 68);
    TP = check(GBTRAF, "TP", QStringLiteral("Traffic Program"), 8, 18, 150);
    TA = check(GBTRAF, "TA", QString(), 8, 42, 18, 17, 0);
    BSETTA = button(GBTRAF, "BSETTA", QStringLiteral("Traffic Announcement"), 28, 40, 136);

    GBPROG = group(page, "GBPROG", QStringLiteral("Program"), 4, 142, 172, 70);
    LPTY = label(GBPROG, "LPTY", QStringLiteral("Program Type"), 8, 20, 72);
    PTY = dropDown(GBPROG, "PTY", ptyItems(quorvan::kPTYEuropean), 82, 18, 82);
    PTY->setMaxVisibleItems(16);
    LMS = label(GBPROG, "LMS", QStringLiteral("Music/Speech"), 8, 44, 72);
    MS = dropDown(GBPROG, "MS", {QStringLiteral("Speech"), QStringLiteral("Music")}, 82, 42, 82);
    MS->setCurrentIndex(1);

    GBAF = group(page, "GBAF", QStringLiteral("Alternative Frequencies"), 180, 2, 142, 210);
    SGAF = named(new QTableWidget(quorvan::kAFRows, 2, GBAF), "SGAF", 0);
    SGAF->setGeometry(8, 18, 126, 158);
    SGAF->horizontalHeader()->hide();
    SGAF->verticalHeader()->hide();
    SGAF->verticalHeader()->setDefaultSectionSize(16);
    SGAF->verticalHeader()->setMinimumSectionSize(14);
    SGAF->setColumnWidth(0, 24);
    SGAF->horizontalHeader()->setStretchLastSection(true);
    SGAF->setSelectionBehavior(QAbstractItemView::SelectRows);
    SGAF->setSelectionMode(QAbstractItemView::SingleSelection);
    SGAF->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SGAF->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SGAF->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SGAF->setTabKeyNavigation(false);
    for (int r = 0; r < quorvan::kAFRows; ++r) {
        auto* number = new QTableWidgetItem;
        number->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        number->setBackground(SGAF->palette().color(QPalette::Button));
        SGAF->setItem(r, 0, number);
        auto* cell = new QTableWidgetItem;
        cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        SGAF->setItem(r, 1, cell);
    }
    // As in any grid, a row is current from the start: the first.
    // Without the sideways scroll a hidden view makes when it is first shown:
    // at that moment the frequency column is not yet narrowed to the view, and
    // scrolling it into view would hide the row numbers for good.
    SGAF->setAutoScroll(false);
    SGAF->setCurrentCell(0, 1);
    SGAF->setAutoScroll(true);
    CBAF = named(new QComboBox(GBAF), "CBAF", 0);
    CBAF->setEditable(true);
    CBAFEdit = new LimitedLineEdit(CBAF, static_cast<int>(quorvan::kAFEntryMaxLength));
    CBAF->setLineEdit(CBAFEdit);
    CBAF->setInsertPolicy(QComboBox::NoInsert);
    CBAF->setCompleter(nullptr);
    CBAF->setMaxVisibleItems(16);
    CBAF->setGeometry(8, 182, 82, 20);
    LMHZ = label(GBAF, "LMHZ", QStringLiteral("MHz"), 96, 184, 34, 16, 0);

    GBDI = group(page, "GBDI", QStringLiteral("Decoder Identification"), 326, 2, 159, 92);
    DI = named(new QListWidget(GBDI), "DI", 0);
    DI->setGeometry(8, 18, 143, 66);
    for (const char* item : {"Stereo", "Artificial Head", "Compressed", "Dynamic PTY"}) {
        auto* it = new QListWidgetItem(QLatin1String(item), DI);
        it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        it->setCheckState(Qt::Unchecked);
    }
}

void TForm1::connectProgramPage()
{
    new KeyPressFilter(PI, [this](char& key) { PIKeyPress(key); }, KeyPressFilter::Unseen::Discard);
    new ExitFilter(PI, [this] { PIExit(); });
    connect(BSETTA, &QPushButton::clicked, this, &TForm1::BSETTAClick);
    connect(TA, &QCheckBox::stateChanged, this, &TForm1::TAStateChanged);

    connect(SGAF, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int previousRow, int) {
                if (row >= 0 && row != previousRow)
                    SGAFClick();
            });
    connect(SGAF, &QTableWidget::cellClicked, this, [this](int, int) { SGAFClick(); });
    new KeyPressFilter(SGAF, [this](char& key) { SGAFKeyPress(key); }, KeyPressFilter::Unseen::Discard);
    new KeyUpFilter(SGAF, [this](int key) { SGAFKeyUp(key); });
    // The entry field's line edit passes its focus to the drop-down, so the
    // keys the operator types arrive at the drop-down first (which hands them
    // to the line edit directly); the line edit sees keys sent to it alone.
    new KeyPressFilter(CBAF, [this](char& key) { AF1KeyPress(key); });
    new KeyPressFilter(CBAFEdit, [this](char& key) { AF1KeyPress(key); });
    connect(CBAFEdit, &QLineEdit::textEdited, this, [this](const QString&) { AF1Change(); });
    connect(CBAF, &QComboBox::activated, this, [this](int) { AF1Change(); });
}

void TForm1::FillAFEntryList()
{
    const QSignalBlocker block(CBAF);
    const QString keep = CBAFEdit->text();
    CBAF->clear();
    for (const std::string& item : quorvan::AFFrequencyItems(DecimalSeparator()))
        CBAF->addItem(toQt(item));
    CBAFEdit->setText(keep);
    for (int r = 0; r < quorvan::kAFRows; ++r)
        SGAF->item(r, 0)->setText(QString::number(r + 1));
}

// ---- PI and programme type ---------------------------------------------------------

void TForm1::PIKeyPress(char& key)
{
    const std::optional<char> passed = quorvan::KeyInPi(key);
    key = passed ? *passed : 0;
}

void TForm1::PIExit()
{
    const QString normal = toQt(quorvan::MakeHEX(toBytes(PI->text()), 4));
    if (PI->text() != normal)
        PI->setText(normal);
}

void TForm1::RBPTYCClick()
{
    const quorvan::PTYList list = quorvan::PtyListForCoding(RBPTYC->itemIndex(), PTY->currentIndex());
    const QSignalBlocker block(PTY);
    for (int i = 0; i < quorvan::kPTYCodes && i < PTY->count(); ++i)
        PTY->setItemText(i, toQt(list.items[size_t(i)]));
    PTY->setCurrentIndex(list.selected);
}

// ---- alternative frequencies --------------------------------------------------------

namespace {

struct AFStepResult {
    int row = 0;
    std::string entry;
    int caret = 0;
};

// Runs one step of the AF entry logic on the grid's rows and copies the
// rows it changed back into the grid.
template <class Step>
AFStepResult runAFStep(QTableWidget* grid, Step step)
{
    std::array<std::string, quorvan::kAFRows> rows;
    for (int r = 0; r < quorvan::kAFRows; ++r)
        rows[size_t(r)] = toBytes(grid->item(r, 1)->text());
    const auto before = rows;
    quorvan::AFEditor editor(rows, DecimalSeparator());
    editor.SelectRow(std::max(0, grid->currentRow()));
    step(editor);
    for (int r = 0; r < quorvan::kAFRows; ++r) {
        if (rows[size_t(r)] != before[size_t(r)])
            grid->item(r, 1)->setText(toQt(rows[size_t(r)]));
    }
    return {editor.currentRow(), editor.entryText(), int(editor.entryCaret())};
}

} // namespace

void TForm1::ShowAFEntry(const QString& text)
{
    // A list position left over from an earlier row would make the next
    // Up/Down in the field continue from that row's frequency.
    {
        const QSignalBlocker block(CBAF);
        CBAF->setCurrentIndex(CBAF->findText(text, Qt::MatchExactly));
    }
    if (CBAFEdit->text() != text)
        CBAFEdit->setText(text);
}

void TForm1::SGAFClick()
{
    const AFStepResult result = runAFStep(SGAF, [](quorvan::AFEditor&) {});
    ShowAFEntry(toQt(result.entry));
}

void TForm1::AF1Change()
{
    const std::string text = toBytes(CBAF->currentText());
    runAFStep(SGAF, [&](quorvan::AFEditor& e) { e.SetEntryText(text); });
}

void TForm1::SGAFKeyPress(char& key)
{
    const char typed = key;
    bool used = false;
    const AFStepResult result =
        runAFStep(SGAF, [&](quorvan::AFEditor& e) { used = e.KeyInList(typed); });
    key = 0;
    if (!used)
        return;
    ShowAFEntry(toQt(result.entry));
    CBAFEdit->setCursorPosition(result.caret);
    CBAFEdit->deselect();
    CBAFEdit->setFocus(Qt::OtherFocusReason);
}

void TForm1::AF1KeyPress(char& key)
{
    const char typed = key;
    bool swallowed = false;
    const AFStepResult result =
        runAFStep(SGAF, [&](quorvan::AFEditor& e) { swallowed = e.KeyInEntry(typed); });
    if (!swallowed)
        return;
    key = 0;
    SGAF->setFocus(Qt::OtherFocusReason);
    SGAF->setCurrentCell(result.row, 1);
    SGAF->selectRow(result.row);
}

void TForm1::SGAFKeyUp(int key)
{
    if (key != Qt::Key_Delete)
        return;
    const AFStepResult result = runAFStep(SGAF, [](quorvan::AFEditor& e) { e.SGAFDeleteKeyUp(); });
    ShowAFEntry(toQt(result.entry));
}

} // namespace quorvan_app
