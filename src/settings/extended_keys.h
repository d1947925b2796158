// The readers and writers of the settings file's [Extended] keys, for the key
// table (settings_keys.cpp): each one reads or writes one field of
// ExtendedValues through content/extended_text.h and nothing else.
#pragma once

#include "content/extended_text.h"

#include <string>
#include <string_view>

namespace quorvan::ext {

// Stores a parsed value into `field` when it was accepted.
template <class T, class F>
Parsed<bool> Store(const Parsed<T>& r, F&& store)
{
    Parsed<bool> out;
    out.ok = r.ok;
    out.value = r.ok;
    out.message = r.message;
    if (r.ok) store(r.value);
    return out;
}

inline std::string FormatEcc(const ExtendedValues& v) { return FormatHexCode(v.ecc); }
inline Parsed<bool> ReadEcc(ExtendedValues& v, std::string_view k, std::string_view t)
{
    return Store(ParseEcc(k, t), [&](auto x) { v.ecc = x; });
}
inline std::string FormatLic(const ExtendedValues& v) { return FormatHexCode(v.lic); }
inline Parsed<bool> ReadLic(ExtendedValues& v, std::string_view k, std::string_view t)
{
    return Store(ParseLic(k, t), [&](auto x) { v.lic = x; });
}
inline std::string FormatPin(const ExtendedValues& v) { return quorvan::FormatPin(v.pin); }
inline Parsed<bool> ReadPin(ExtendedValues& v, std::string_view k, std::string_view t)
{
    return Store(ParsePin(k, t), [&](const auto& x) { v.pin = x; });
}
inline std::string FormatPtyn(const ExtendedValues& v) { return FormatRdsLabel(v.ptyn); }
inline Parsed<bool> ReadPtyn(ExtendedValues& v, std::string_view k, std::string_view t)
{
    return Store(ParseRdsLabel(k, t, kPtynBytes), [&](const auto& x) { v.ptyn = x; });
}
inline std::string FormatLongPs(const ExtendedValues& v) { return v.longPs; }
inline Parsed<bool> ReadLongPs(ExtendedValues& v, std::string_view k, std::string_view t)
{
    return Store(ParseUtf8Text(k, t, kLongPsBytes), [&](const auto& x) { v.longPs = x; });
}
inline std::string FormatErt(const ExtendedValues& v) { return v.ert; }
inline Parsed<bool> ReadErt(ExtendedValues& v, std::string_view k, std::string_view t)
{
    return Store(ParseUtf8Text(k, t, kErtBytes), [&](const auto& x) { v.ert = x; });
}
inline std::string FormatErtFromRt(const ExtendedValues& v) { return v.ertFromRt ? "1" : "0"; }
inline Parsed<bool> ReadErtFromRt(ExtendedValues& v, std::string_view k, std::string_view t)
{
    return Store(ParseSwitch(k, t), [&](bool x) { v.ertFromRt = x; });
}
inline std::string FormatAfMethod(const ExtendedValues& v) { return quorvan::FormatAfMethod(v.afMethod); }
inline Parsed<bool> ReadAfMethod(ExtendedValues& v, std::string_view k, std::string_view t)
{
    return Store(ParseAfMethod(k, t), [&](auto x) { v.afMethod = x; });
}

// AFB1..AFB12: the lists are kept closed up, in key order; an empty key
// removes its list, a key past the last list adds one.
template <int I>
std::string FormatAfb(const ExtendedValues& v)
{
    return static_cast<std::size_t>(I) < v.afB.size() ? FormatAfMethodBList(v.afB[I]) : std::string();
}
template <int I>
Parsed<bool> ReadAfb(ExtendedValues& v, std::string_view k, std::string_view t)
{
    return Store(ParseAfMethodBList(k, t), [&](const auto& x) {
        const auto at = static_cast<std::size_t>(I);
        if (!x) {
            if (at < v.afB.size()) v.afB.erase(v.afB.begin() + I);
        } else if (at < v.afB.size()) {
            v.afB[at] = *x;
        } else {
            v.afB.push_back(*x);
        }
    });
}

template <int N> std::string FormatEonPi(const ExtendedValues& v) { return FormatOtherPi(v.eon[N].pi); }
template <int N>
Parsed<bool> ReadEonPi(ExtendedValues& v, std::string_view k, std::string_view t)
{
    return Store(ParseOtherPi(k, t), [&](auto x) { v.eon[N].pi = x; });
}
template <int N> std::string FormatEonPs(const ExtendedValues& v) { return FormatRdsLabel(v.eon[N].ps); }
template <int N>
Parsed<bool> ReadEonPs(ExtendedValues& v, std::string_view k, std::string_view t)
{
    return Store(ParseRdsLabel(k, t, 8), [&](const auto& x) { v.eon[N].ps = x; });
}
template <int N> std::string FormatEonAf(const ExtendedValues& v) { return FormatAfListA(v.eon[N].af); }
template <int N>
Parsed<bool> ReadEonAf(ExtendedValues& v, std::string_view k, std::string_view t)
{
    return Store(ParseAfListA(k, t), [&](const auto& x) { v.eon[N].af = x; });
}
template <int N> std::string FormatEonPty(const ExtendedValues& v) { return std::to_string(v.eon[N].pty); }
template <int N>
Parsed<bool> ReadEonPty(ExtendedValues& v, std::string_view k, std::string_view t)
{
    return Store(ParseIntInRange(k, t, 0, 31), [&](int x) { v.eon[N].pty = x; });
}
template <int N> std::string FormatEonTp(const ExtendedValues& v) { return v.eon[N].tp ? "1" : "0"; }
template <int N>
Parsed<bool> ReadEonTp(ExtendedValues& v, std::string_view k, std::string_view t)
{
    return Store(ParseSwitch(k, t), [&](bool x) { v.eon[N].tp = x; });
}

inline std::string FormatGroupSequence(const ExtendedValues& v) { return quorvan::FormatGroupSequence(v.groupSequence); }
inline Parsed<bool> ReadGroupSequence(ExtendedValues& v, std::string_view k, std::string_view t)
{
    return Store(ParseGroupSequence(k, t), [&](const auto& x) { v.groupSequence = x; });
}

} // namespace quorvan::ext
