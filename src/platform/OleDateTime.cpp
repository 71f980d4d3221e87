#include "platform/OleDateTime.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <limits>

namespace {

constexpr std::int64_t kMsPerDay = 86400000;
// 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t kEpochFromUnix = -25569;
// Day numbers of 100-01-01 and 9999-12-31 (the valid range).
constexpr std::int64_t kMinDay = -657434;
constexpr std::int64_t kMaxDay = 2958465;
constexpr std::int64_t kMaxMs = (kMaxDay + 1) * kMsPerDay - 1;

const char* const kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kMonthNames[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return (m == 2 && IsLeap(y)) ? 29 : kDays[m - 1];
}

// Proleptic Gregorian day count relative to 1899-12-30 (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(int y, int m, int d) {
    std::int64_t yy = y - (m <= 2 ? 1 : 0);
    std::int64_t era = FloorDiv(yy, 400);
    std::int64_t yoe = yy - era * 400;
    std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 - kEpochFromUnix;
}

void CivilFromDays(std::int64_t days, int& y, int& m, int& d) {
    std::int64_t z = days + kEpochFromUnix + 719468;
    std::int64_t era = FloorDiv(z, 146097);
    std::int64_t doe = z - era * 146097;
    std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    std::int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

// The OLE value as milliseconds on a linear time line (0 = 1899-12-30 00:00), rounded to the
// nearest millisecond. Below zero the integer part of the OLE value counts days backwards
// while its fraction is still the time of day, so the fraction is added, not subtracted.
bool ToLinearMs(double dt, std::int64_t& ms) {
    if (!(dt > static_cast<double>(kMinDay - 1) && dt < static_cast<double>(kMaxDay + 1))) {
        return false;  // also NaN
    }
    double whole = std::trunc(dt);
    std::int64_t day = static_cast<std::int64_t>(whole);
    std::int64_t time = std::llround(std::fabs(dt - whole) * static_cast<double>(kMsPerDay));
    ms = day * kMsPerDay + time;
    if (ms > kMaxMs) ms = kMaxMs;  // 23:59:59.9996 on the last day stays on it
    return true;
}

// Linear days (possibly fractional) back to the OLE form.
double FromLinearDays(double linear) {
    if (linear >= 0) return linear;
    double day = std::floor(linear);
    return day - (linear - day);
}

double ToLinearDays(double dt) { return dt >= 0 ? dt : 2 * std::trunc(dt) - dt; }

double FromLinearMs(std::int64_t ms) {
    std::int64_t day = FloorDiv(ms, kMsPerDay);
    double frac = static_cast<double>(ms - day * kMsPerDay) / static_cast<double>(kMsPerDay);
    return day >= 0 ? static_cast<double>(day) + frac : static_cast<double>(day) - frac;
}

bool InRange(double dt) {
    std::int64_t ms;
    return ToLinearMs(dt, ms);
}

void FieldsFromLinearMs(std::int64_t ms, COleDateTime::Fields& f) {
    std::int64_t day = FloorDiv(ms, kMsPerDay);
    std::int64_t time = ms - day * kMsPerDay;
    CivilFromDays(day, f.year, f.month, f.day);
    f.millisecond = static_cast<int>(time % 1000);
    time /= 1000;
    f.second = static_cast<int>(time % 60);
    time /= 60;
    f.minute = static_cast<int>(time % 60);
    f.hour = static_cast<int>(time / 60);
    // 1899-12-30 was a Saturday (7).
    f.dayOfWeek = static_cast<int>(((day % 7) + 7 + 6) % 7) + 1;
    f.dayOfYear = static_cast<int>(day - DaysFromCivil(f.year, 1, 1)) + 1;
}

bool FieldsValid(const COleDateTime::Fields& f) {
    return f.year >= 100 && f.year <= 9999 && f.month >= 1 && f.month <= 12 && f.day >= 1 &&
           f.day <= DaysInMonth(f.year, f.month) && f.hour >= 0 && f.hour <= 23 && f.minute >= 0 &&
           f.minute <= 59 && f.second >= 0 && f.second <= 59 && f.millisecond >= 0 &&
           f.millisecond <= 999;
}

std::int64_t LinearMsFromFields(const COleDateTime::Fields& f) {
    std::int64_t time = ((f.hour * 60LL + f.minute) * 60 + f.second) * 1000 + f.millisecond;
    return DaysFromCivil(f.year, f.month, f.day) * kMsPerDay + time;
}

void AppendNumber(std::string& out, int value, int width, bool pad) {
    std::string digits = std::to_string(value);
    if (pad && static_cast<int>(digits.size()) < width) {
        out.append(static_cast<std::size_t>(width) - digits.size(), '0');
    }
    out += digits;
}

struct NumericConversion {
    char conversion;
    int width;
    int (*field)(const COleDateTime::Fields&);
};

using F = COleDateTime::Fields;
const NumericConversion kNumericConversions[] = {
    {'Y', 4, [](const F& f) { return f.year; }},
    {'y', 2, [](const F& f) { return f.year % 100; }},
    {'m', 2, [](const F& f) { return f.month; }},
    {'d', 2, [](const F& f) { return f.day; }},
    {'H', 2, [](const F& f) { return f.hour; }},
    {'I', 2, [](const F& f) { return f.hour % 12 == 0 ? 12 : f.hour % 12; }},
    {'M', 2, [](const F& f) { return f.minute; }},
    {'S', 2, [](const F& f) { return f.second; }},
    {'j', 3, [](const F& f) { return f.dayOfYear; }},
    {'w', 1, [](const F& f) { return f.dayOfWeek - 1; }},
};

// The strftime-like conversions over calendar fields; "%#x" drops leading zeros, unknown
// conversions are copied as they stand.
void AppendFormatted(std::string& out, const COleDateTime::Fields& f, const char* fmt) {
    for (const char* p = fmt; *p; ++p) {
        if (*p != '%') {
            out += *p;
            continue;
        }
        const char* start = p;
        bool pad = true;
        if (p[1] == '#') {
            pad = false;
            ++p;
        }
        const char c = *++p;
        if (c == '\0') {
            out.append(start, static_cast<std::size_t>(p - start));
            return;
        }
        bool numeric = false;
        for (const auto& n : kNumericConversions) {
            if (n.conversion == c) {
                AppendNumber(out, n.field(f), n.width, pad);
                numeric = true;
            }
        }
        if (numeric) continue;
        switch (c) {
            case 'A':
                out += kDayNames[f.dayOfWeek - 1];
                break;
            case 'a':
                out.append(kDayNames[f.dayOfWeek - 1], 3);
                break;
            case 'B':
                out += kMonthNames[f.month - 1];
                break;
            case 'b':
                out.append(kMonthNames[f.month - 1], 3);
                break;
            case 'p':
                out += f.hour < 12 ? "AM" : "PM";
                break;
            case 'F':
                AppendFormatted(out, f, "%Y-%m-%d");
                break;
            case 'T':
                AppendFormatted(out, f, "%H:%M:%S");
                break;
            case '%':
                out += '%';
                break;
            default:
                out.append(start, static_cast<std::size_t>(p - start) + 1);
                break;
        }
    }
}

// Parses 1..max_digits decimal digits at text[pos].
bool ReadNumber(std::string_view text, std::size_t& pos, int max_digits, int& value) {
    int n = 0;
    value = 0;
    while (pos < text.size() && n < max_digits && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos++] - '0');
        ++n;
    }
    return n > 0;
}

bool Expect(std::string_view text, std::size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The digits text[at, at + count) as a number; false when any is not a digit.
bool FixedDigits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        const unsigned digit = static_cast<unsigned char>(text[i]) - '0';
        if (digit > 9) return false;
        value = value * 10 + static_cast<int>(digit);
    }
    return true;
}

// The form stored dates are written in, "YYYY-MM-DD HH:MM:SS.fff", read at fixed positions
// (a bulk load reads two per row). False when text has another form; the general reader
// below then decides.
bool ParseStoredForm(std::string_view text, std::int64_t& ms) {
    if (text.size() != 23 || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':' || text[19] != '.') {
        return false;
    }
    COleDateTime::Fields f;
    if (!FixedDigits(text, 0, 4, f.year) || !FixedDigits(text, 5, 2, f.month) ||
        !FixedDigits(text, 8, 2, f.day) || !FixedDigits(text, 11, 2, f.hour) ||
        !FixedDigits(text, 14, 2, f.minute) || !FixedDigits(text, 17, 2, f.second) ||
        !FixedDigits(text, 20, 3, f.millisecond) || !FieldsValid(f)) {
        return false;
    }
    ms = LinearMsFromFields(f);
    return ms <= kMaxMs;
}

// "YYYY-MM-DD[( |T)HH:MM[:SS[.fff]]]" to linear milliseconds.
bool ParseLinearMs(std::string_view text, std::int64_t& ms) {
    if (ParseStoredForm(text, ms)) return true;
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);

    COleDateTime::Fields f;
    f.hour = f.minute = f.second = f.millisecond = 0;
    std::size_t pos = 0;
    std::size_t year_start = pos;
    if (!ReadNumber(text, pos, 4, f.year) || pos - year_start != 4) return false;
    if (!Expect(text, pos, '-') || !ReadNumber(text, pos, 2, f.month)) return false;
    if (!Expect(text, pos, '-') || !ReadNumber(text, pos, 2, f.day)) return false;
    std::int64_t fraction_ms = 0;
    if (pos < text.size()) {
        if (text[pos] != 'T' && !IsBlank(text[pos])) return false;
        ++pos;
        while (pos < text.size() && IsBlank(text[pos])) ++pos;
        if (!ReadNumber(text, pos, 2, f.hour)) return false;
        if (!Expect(text, pos, ':') || !ReadNumber(text, pos, 2, f.minute)) return false;
        if (pos < text.size()) {
            if (!Expect(text, pos, ':') || !ReadNumber(text, pos, 2, f.second)) return false;
            if (pos < text.size()) {
                if (!Expect(text, pos, '.')) return false;
                // Tenths of a millisecond decide the rounding; further digits are ignored.
                int digits = 0, tenths = 0;
                while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
                    if (digits < 4) tenths = tenths * 10 + (text[pos] - '0');
                    ++digits;
                    ++pos;
                }
                if (digits == 0 || pos != text.size()) return false;
                for (int i = digits; i < 4; ++i) tenths *= 10;
                fraction_ms = (tenths + 5) / 10;
            }
        }
    }
    if (!FieldsValid(f)) return false;
    ms = LinearMsFromFields(f) + fraction_ms;
    return ms <= kMaxMs;
}

}  // namespace

COleDateTime::COleDateTime(int year, int month, int day, int hour, int minute, int second) {
    SetDateTime(year, month, day, hour, minute, second);
}

COleDateTime COleDateTime::GetCurrentTime() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    COleDateTime now;
    if (!localtime_r(&ts.tv_sec, &tm)) {
        now.SetStatus(invalid);
        return now;
    }
    Fields f;
    f.year = tm.tm_year + 1900;
    f.month = tm.tm_mon + 1;
    f.day = tm.tm_mday;
    f.hour = tm.tm_hour;
    f.minute = tm.tm_min;
    f.second = tm.tm_sec > 59 ? 59 : tm.tm_sec;  // a leap second is folded into :59
    f.millisecond = static_cast<int>(ts.tv_nsec / 1000000);
    now.SetDateTime(f);
    return now;
}

int COleDateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second) {
    return SetDateTime(Fields{year, month, day, hour, minute, second, 0});
}

int COleDateTime::SetDateTime(const Fields& f) {
    if (!FieldsValid(f)) {
        m_dt = 0.0;
        m_status = invalid;
        return 1;
    }
    m_dt = FromLinearMs(LinearMsFromFields(f));
    m_status = valid;
    return 0;
}

bool COleDateTime::GetAsFields(Fields& out) const {
    std::int64_t ms;
    if (m_status != valid || !ToLinearMs(m_dt, ms)) return false;
    FieldsFromLinearMs(ms, out);
    return true;
}

namespace {

int FieldOrError(const COleDateTime& d, int COleDateTime::Fields::*member) {
    COleDateTime::Fields f;
    return d.GetAsFields(f) ? f.*member : -1;
}

}  // namespace

int COleDateTime::GetYear() const { return FieldOrError(*this, &Fields::year); }
int COleDateTime::GetMonth() const { return FieldOrError(*this, &Fields::month); }
int COleDateTime::GetDay() const { return FieldOrError(*this, &Fields::day); }
int COleDateTime::GetHour() const { return FieldOrError(*this, &Fields::hour); }
int COleDateTime::GetMinute() const { return FieldOrError(*this, &Fields::minute); }
int COleDateTime::GetSecond() const { return FieldOrError(*this, &Fields::second); }
int COleDateTime::GetDayOfWeek() const { return FieldOrError(*this, &Fields::dayOfWeek); }
int COleDateTime::GetDayOfYear() const { return FieldOrError(*this, &Fields::dayOfYear); }

CString COleDateTime::Format(const char* fmt) const {
    std::int64_t ms;
    if (m_status != valid || !fmt || !ToLinearMs(m_dt, ms)) return CString();
    // Formatting shows whole seconds, rounded to the nearest one.
    std::int64_t seconds = FloorDiv(ms + 500, 1000);
    if (seconds * 1000 > kMaxMs) seconds = kMaxMs / 1000;
    Fields f;
    FieldsFromLinearMs(seconds * 1000, f);

    std::string out;
    AppendFormatted(out, f, fmt);
    return CString::FromUtf8(out);
}

std::string COleDateTime::FormatIsoMs() const {
    Fields f;
    if (!GetAsFields(f)) return std::string();
    char buf[32];
    const bool fixedWidth = f.year >= 0 && f.year <= 9999 && f.millisecond >= 0 &&
                            f.millisecond <= 999 &&
                            std::min({f.month, f.day, f.hour, f.minute, f.second}) >= 0 &&
                            std::max({f.month, f.day, f.hour, f.minute, f.second}) <= 99;
    if (!fixedWidth) {
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", f.year, f.month, f.day,
                      f.hour, f.minute, f.second, f.millisecond);
        return buf;
    }
    // Every stored date is written here: the digits are placed directly.
    char* p = buf;
    const auto put = [&p](int value, int digits, char after) {
        for (int d = digits - 1; d >= 0; --d, value /= 10)
            p[d] = static_cast<char>('0' + value % 10);
        p += digits;
        if (after) *p++ = after;
    };
    put(f.year, 4, '-');
    put(f.month, 2, '-');
    put(f.day, 2, ' ');
    put(f.hour, 2, ':');
    put(f.minute, 2, ':');
    put(f.second, 2, '.');
    put(f.millisecond, 3, 0);
    return std::string(buf, static_cast<std::size_t>(p - buf));
}

bool COleDateTime::ParseDateTime(const CString& text) { return ParseDateTime(text.ToUtf8()); }

bool COleDateTime::ParseDateTime(std::string_view utf8) {
    std::int64_t ms;
    if (!ParseLinearMs(utf8, ms)) {
        m_dt = 0.0;
        m_status = invalid;
        return false;
    }
    m_dt = FromLinearMs(ms);
    m_status = valid;
    return true;
}

COleDateTime COleDateTime::operator+(double days) const {
    COleDateTime r;
    if (m_status != valid || !std::isfinite(days)) {
        r.m_status = m_status == null ? null : invalid;
        return r;
    }
    r.m_dt = FromLinearDays(ToLinearDays(m_dt) + days);
    if (!InRange(r.m_dt)) {
        r.m_dt = 0.0;
        r.m_status = invalid;
    }
    return r;
}

COleDateTime COleDateTime::operator-(double days) const { return *this + (-days); }

double COleDateTime::operator-(const COleDateTime& other) const {
    if (m_status != valid || other.m_status != valid) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return ToLinearDays(m_dt) - ToLinearDays(other.m_dt);
}

bool operator<(const COleDateTime& a, const COleDateTime& b) {
    if (a.m_status != b.m_status) return a.m_status < b.m_status;
    if (a.m_status == COleDateTime::valid) {
        double la = ToLinearDays(a.m_dt);
        double lb = ToLinearDays(b.m_dt);
        if (la != lb) return la < lb;
    }
    return a.m_dt < b.m_dt;  // same instant written two ways (-0.5 and 0.5), or not valid
}
