// Small helpers that create a named control at a fixed place, as the window
// definition does. Internal to the TForm1 implementation files.
#pragma once

#include "app/form1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace quorvan_app::build {

template <class W>
W* named(W* w, const char* name, int tag)
{
    w->setObjectName(QLatin1String(name));
    SetTag(w, tag);
    return w;
}

inline QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y, int w,
                     int h = 16, int tag = 1)
{
    auto* l = named(new QLabel(text, parent), name, tag);
    l->setGeometry(x, y, w, h);
    return l;
}

inline QCheckBox* check(QWidget* parent, const char* name, const QString& text, int x, int y, int w,
                        int h = 17, int tag = 1)
{
    auto* c = named(new QCheckBox(text, parent), name, tag);
    c->setGeometry(x, y, w, h);
    return c;
}

inline QRadioButton* radio(QWidget* parent, const char* name, const QString& text, int x, int y,
                           int w, int h = 17, int tag = 1)
{
    auto* r = named(new QRadioButton(text, parent), name, tag);
    r->setAutoExclusive(false);
    r->setGeometry(x, y, w, h);
    return r;
}

inline QPushButton* button(QWidget* parent, const char* name, const QString& text, int x, int y,
                           int w, int h = 22, int tag = 1)
{
    auto* b = named(new QPushButton(text, parent), name, tag);
    b->setGeometry(x, y, w, h);
    return b;
}

inline FramedGroup* group(QWidget* parent, const char* name, const QString& caption, int x, int y,
                          int w, int h, int tag = 1)
{
    auto* g = named(new FramedGroup(caption, parent), name, tag);
    g->setGeometry(x, y, w, h);
    return g;
}

inline RadioGroup* radioGroup(QWidget* parent, const char* name, const QString& caption,
                              const QStringList& items, int columns, int x, int y, int w, int h)
{
    auto* g = named(new RadioGroup(caption, items, columns, parent), name, 1);
    g->setGeometry(x, y, w, h);
    return g;
}

inline LimitedLineEdit* edit(QWidget* parent, const char* name, int limit, int x, int y, int w,
                             int h = 20)
{
    auto* e = named(new LimitedLineEdit(parent, limit), name, 0);
    e->setGeometry(x, y, w, h);
    return e;
}

inline QComboBox* dropDown(QWidget* parent, const char* name, const QStringList& items, int x,
                           int y, int w, int h = 20)
{
    auto* c = named(new QComboBox(parent), name, 0);
    c->addItems(items);
    c->setGeometry(x, y, w, h);
    return c;
}

inline SteppedSpin* stepped(QWidget* parent, const char* name, int minSteps, int maxSteps,
                            double step, int decimals, int initial, const QString& unit, int x,
                            int y, int w, int h = 21)
{
    auto* s = named(new SteppedSpin(parent), name, 0);
    s->setRange(minSteps, maxSteps, step, decimals);
    s->setSteps(initial);
    s->setUnit(unit);
    s->setGeometry(x, y, w, h);
    return s;
}

inline IntSpin* intSpin(QWidget* parent, const char* name, int minimum, int maximum, int value,
                        int x, int y, int w, int h = 20)
{
    auto* s = named(new IntSpin(minimum, maximum, value, parent), name, 0);
    s->setGeometry(x, y, w, h);
    return s;
}

// Bold caption (the "Enabled" and "From file:" boxes, the default PS field).
inline void bold(QWidget* w)
{
    QFont f = w->font();
    f.setBold(true);
    w->setFont(f);
}

// The information colour behind a text field.
inline void infoBackground(QWidget* w)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Base, p.color(QPalette::ToolTipBase));
    p.setColor(QPalette::Text, p.color(QPalette::ToolTipText));
    w->setPalette(p);
}

} // namespace quorvan_app::build
