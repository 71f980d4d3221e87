// COleDateTime: an OLE automation date (days since 1899-12-30 00:00 as a double) with a
// status. Before the epoch the integer part counts days backwards while the fraction is still
// the time of day (-1.25 is 1899-12-29 06:00). Valid range: 100-01-01 to 9999-12-31.
#pragma once

#include "platform/CString.h"
#include "platform/Export.h"

class NAMEOBJECT_API COleDateTime {
public:
    enum DateTimeStatus { valid = 0, invalid = 1, null = 2 };

    struct Fields {  // calendar fields of a date
        int year = 1899, month = 12, day = 30;
        int hour = 0, minute = 0, second = 0, millisecond = 0;
        int dayOfWeek = 0;  // 1 = Sunday .. 7 = Saturday
        int dayOfYear = 0;  // 1 .. 366
    };

    COleDateTime() = default;  // 0.0, valid
    explicit COleDateTime(double dt) : m_dt(dt) {}
    COleDateTime(int year, int month, int day, int hour, int minute, int second);

    // The local time now, to the millisecond.
    static COleDateTime GetCurrentTime();

    // Return 0 on success; on a field out of range the date becomes invalid and 1 is
    // returned (as the framework does).
    int SetDateTime(int year, int month, int day, int hour, int minute, int second);
    int SetDateTime(const Fields& f);  // uses the millisecond too
    int SetDate(int year, int month, int day) { return SetDateTime(year, month, day, 0, 0, 0); }

    // Calendar fields, rounded to the nearest millisecond. False for a non-valid date.
    bool GetAsFields(Fields& out) const;
    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetDayOfWeek() const;
    int GetDayOfYear() const;

    // strftime-style text with the fields rounded to the nearest second ("%Y-%m-%d %H:%M:%S"
    // and the usual conversions). A non-valid date gives an empty text.
    CString Format(const char* fmt = "%Y-%m-%d %H:%M:%S") const;
    // "YYYY-MM-DD HH:MM:SS.mmm": the form the database layer stores, millisecond exact.
    std::string FormatIsoMs() const;
    // Accepts "YYYY-MM-DD", "YYYY-MM-DD HH:MM", "YYYY-MM-DD HH:MM:SS" and a fraction of a
    // second after the seconds; also 'T' between date and time. On failure the date
    // becomes invalid and false is returned.
    bool ParseDateTime(const CString& text);
    bool ParseDateTime(std::string_view utf8);

    DateTimeStatus GetStatus() const { return m_status; }
    void SetStatus(DateTimeStatus s) { m_status = s; }
    bool IsValid() const { return m_status == valid; }
    double GetDATE() const { return m_dt; }

    // Arithmetic in days. An invalid operand gives an invalid result.
    COleDateTime operator+(double days) const;
    COleDateTime operator-(double days) const;
    double operator-(const COleDateTime& other) const;  // days between; NaN when not valid

    friend bool operator==(const COleDateTime& a, const COleDateTime& b) {
        return a.m_status == b.m_status && a.m_dt == b.m_dt;
    }
    friend NAMEOBJECT_API bool operator<(const COleDateTime& a, const COleDateTime& b);

    double m_dt = 0.0;
    DateTimeStatus m_status = valid;
};
