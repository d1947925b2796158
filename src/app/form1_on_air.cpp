// What another program put on air, into the window's fields: the core
// decodes the image (ApplyImage), the binding table finds the fields.
#include "app/form1.h"

#include "app/form_engine.h"
#include "app/latin1.h"
#include "encoder/receive.h"
#include "sim/virtual_encoder.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <cstdlib>

namespace quorvan_app {

namespace {

bool SameValue(const StationBinding& a, const StationBinding& b)
{
    return a.sameValue(b);
}

} // namespace

// A name for a field in a question or the start-up bar, as the operator sees
// it on its page: its accessible name; a check box's own text; the caption
// to its left on the same row ("Default PS", "Byte 4"); the title of its
// frame ("Alternative Frequencies"); the radiotext lines by number; else the
// control's object name.
QString TForm1::OnAirFieldName(const QObject* field) const
{
    auto* w = qobject_cast<const QWidget*>(field);
    if (!w)
        return field->objectName();
    if (!w->accessibleName().isEmpty())
        return w->accessibleName();
    for (int i = 0; i < 4; ++i) {
        if (w == RT[i])
            return QStringLiteral("Radiotext %1").arg(i + 1);
        if (w == CBRTT[i])
            return QStringLiteral("Radiotext %1 type").arg(i + 1);
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(w); button && !button->text().isEmpty())
        return button->text().remove(QLatin1Char('&'));
    const QLabel* best = nullptr;
    if (QWidget* parent = w->parentWidget()) {
        for (QLabel* label : parent->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
            const QRect r = label->geometry();
            if (label->text().isEmpty() || r.right() > w->x() || std::abs(r.center().y() - w->geometry().center().y()) > 6)
                continue;
            if (!best || r.right() > best->geometry().right())
                best = label;
        }
        if (best)
            return best->text().remove(QLatin1Char('&')).remove(QLatin1Char(':')).trimmed();
        if (auto* frame = qobject_cast<const QGroupBox*>(parent); frame && !frame->title().isEmpty())
            return frame->title();
    }
    return w->objectName();
}

void TForm1::RememberOnAir(const std::array<std::uint8_t, 256>& image)
{
    onAirImage_ = image;
}

QList<QWidget*> TForm1::MarkedOnAirFields() const
{
    return markedOnAir_;
}

void TForm1::MarkOnAirField(QWidget* w)
{
    if (!w || markedOnAir_.contains(w))
        return;
    markedOnAir_.append(w);
    const QString before = w->styleSheet();
    w->setStyleSheet(QStringLiteral("background-color: #ffe08a;"));
    QTimer::singleShot(kOnAirMarkMs, w, [this, w, before] {
        w->setStyleSheet(before);
        markedOnAir_.removeAll(w);
    });
}

int TForm1::LoadOnAirChange(const std::array<std::uint8_t, 256>& image)
{
    if (!onAirImage_) {
        onAirImage_ = image;
        return 0;
    }
    const char separator = '.';
    quorvan::TStationParams shown = ReadStationParams();
    quorvan::TStationParams before = shown, after = shown;
    quorvan::ApplyImage(before, *onAirImage_, separator);
    quorvan::ApplyImage(after, image, separator);
    onAirImage_ = image;
    const std::vector<StationBinding> inWindow = StationBindings(shown);
    const std::vector<StationBinding> wasOnAir = StationBindings(before);
    const std::vector<StationBinding> nowOnAir = StationBindings(after);

    std::vector<std::size_t> changed, edited;
    QStringList editedNames;
    for (std::size_t i = 0; i < nowOnAir.size(); ++i) {
        if (SameValue(wasOnAir[i], nowOnAir[i]) || SameValue(inWindow[i], nowOnAir[i]))
            continue;
        changed.push_back(i);
        if (!SameValue(inWindow[i], wasOnAir[i])) {
            edited.push_back(i);
            if (!editedNames.contains(OnAirFieldName(nowOnAir[i].widget)))
                editedNames.append(OnAirFieldName(nowOnAir[i].widget));
        }
    }
    bool overEdits = false;
    if (!edited.empty()) {
        overEdits = askLoadOnAir ? askLoadOnAir(editedNames)
                                 : QMessageBox::question(
                                       this, QStringLiteral("Changed by another program"),
                                       QStringLiteral("Another program put new values on air where you have changes "
                                                      "that were not sent (%1).\n\nLoad what is on air? No keeps "
                                                      "your changes, unsent.")
                                           .arg(editedNames.join(QStringLiteral(", ")))) == QMessageBox::Yes;
    }
    const quorvan::Charset cs = quorvan::CharsetFromInt(after.preferences.CBCHARSET);
    int loaded = 0;
    for (std::size_t i : changed) {
        if (!overEdits && std::find(edited.begin(), edited.end(), i) != edited.end())
            continue;
        WriteBinding(nowOnAir[i], cs);
        MarkOnAirField(qobject_cast<QWidget*>(nowOnAir[i].widget));
        ++loaded;
    }
    if (after.program.TA != before.program.TA) {
        ShowEncoderTA(after.program.TA);
        MarkOnAirField(TA);
        ++loaded;
    }
    return loaded;
}

void TForm1::buildOnAirBar()
{
    OnAirBar = new QFrame(this);
    OnAirBar->setObjectName(QStringLiteral("OnAirBar"));
    OnAirBar->setFrameShape(QFrame::StyledPanel);
    OnAirBar->setStyleSheet(QStringLiteral("QFrame#OnAirBar { background-color: #ffe08a; }"));
    auto* row = new QHBoxLayout(OnAirBar);
    row->setContentsMargins(6, 2, 6, 2);
    LOnAirBar = new QLabel(OnAirBar);
    LOnAirBar->setObjectName(QStringLiteral("LOnAirBar"));
    LOnAirBar->setWordWrap(true);
    auto* load = new QPushButton(QStringLiteral("Load what is on air"), OnAirBar);
    load->setObjectName(QStringLiteral("BLOADONAIR"));
    auto* keep = new QPushButton(QStringLiteral("Keep the settings"), OnAirBar);
    keep->setObjectName(QStringLiteral("BKEEPSETTINGS"));
    row->addWidget(LOnAirBar, 1);
    row->addWidget(load);
    row->addWidget(keep);
    connect(load, &QPushButton::clicked, this, [this] { LoadOnAirAtStart(); });
    connect(keep, &QPushButton::clicked, this, &TForm1::KeepSettingsAtStart);
    const int height = 46;
    const QRect status = StatusBar1->geometry();
    OnAirBar->setGeometry(0, status.top() - height, status.width(), height);
    OnAirBar->hide();
}

void TForm1::CompareOnAirAtStart()
{
    FormEngine& e = *engine_;
    quorvan::TStationParams shown = ReadStationParams();
    quorvan::TStationParams onAir = shown;
    if (quorvan::VirtualEncoder* encoder = VirtualEncoder()) {
        // The virtual encoder's image is read where it is kept: no bus traffic.
        const std::array<std::uint8_t, 256> image = encoder->ramImage();
        // An image never written holds nothing on air to offer.
        if (std::all_of(image.begin(), image.end(), [](std::uint8_t b) { return b == 0; }))
            return;
        quorvan::ApplyImage(onAir, image, DecimalSeparator());
    } else if (CBBI->isChecked() && e.port && e.port->reachable()) {
        HandlerScope scope(*this);
        quorvan::EncoderContext ctx = e.Context(true, CBSS->isChecked());
        const quorvan::ReceiveResult r = quorvan::Receive(ctx, onAir);
        if (!quorvan::IsReady(r.outcome) || r.runsCompleted < 3)
            return;
    } else {
        return;
    }
    const std::vector<StationBinding> inWindow = StationBindings(shown);
    const std::vector<StationBinding> onEncoder = StationBindings(onAir);
    QStringList names;
    for (std::size_t i = 0; i < onEncoder.size(); ++i) {
        if (!SameValue(inWindow[i], onEncoder[i]) && !names.contains(OnAirFieldName(onEncoder[i].widget)))
            names.append(OnAirFieldName(onEncoder[i].widget));
    }
    if (names.isEmpty())
        return;
    startupOnAir_ = onAir;
    startupOnAirNames_ = names;
    LOnAirBar->setText(QStringLiteral("On air differs from the settings: %1.").arg(names.join(QStringLiteral(", "))));
    OnAirBar->show();
    OnAirBar->raise();
}

int TForm1::LoadOnAirAtStart()
{
    OnAirBar->hide();
    if (!startupOnAir_)
        return 0;
    quorvan::TStationParams onAir = *startupOnAir_;
    startupOnAir_.reset();
    quorvan::TStationParams shown = ReadStationParams();
    const std::vector<StationBinding> inWindow = StationBindings(shown);
    const std::vector<StationBinding> onEncoder = StationBindings(onAir);
    const quorvan::Charset cs = quorvan::CharsetFromInt(onAir.preferences.CBCHARSET);
    int loaded = 0;
    for (std::size_t i = 0; i < onEncoder.size(); ++i) {
        if (SameValue(inWindow[i], onEncoder[i]))
            continue;
        WriteBinding(onEncoder[i], cs);
        MarkOnAirField(qobject_cast<QWidget*>(onEncoder[i].widget));
        ++loaded;
    }
    return loaded;
}

void TForm1::KeepSettingsAtStart()
{
    OnAirBar->hide();
    startupOnAir_.reset();
}

} // namespace quorvan_app
