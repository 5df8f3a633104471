#include "formats/zip/ZipCalendar.h"

#include "platform/base/Clock.h"

namespace {

constexpr std::int64_t kUnitsPerDay = 864000000000LL;
constexpr std::int64_t kUnitsPerSecond = 10000000LL;
constexpr std::int64_t kUnixEpochUnits = 116444736000000000LL;
constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

int DaysInMonth(int year, int month) { return month == 2 && IsLeapYear(year) ? 29 : kMonthDays[month - 1]; }

std::int64_t Units(const FILETIME& time) {
    return static_cast<std::int64_t>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

FILETIME FromUnits(std::int64_t units) {
    ULONGLONG value = static_cast<ULONGLONG>(units);
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

// Local hour of day minus UTC hour of day, in hours (-12..12).
int HourDifference() {
    SYSTEMTIME local{};
    SYSTEMTIME utc{};
    GetLocalTime(&local);
    GetSystemTime(&utc);
    int difference = static_cast<int>(local.wHour) - static_cast<int>(utc.wHour);
    if (difference > 12) difference -= 24;
    if (difference < -12) difference += 24;
    return difference;
}

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

bool IsValidDate(int year, int month, int day) {
    return year >= 1601 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

int DayOfYear(int year, int month, int day) {
    int days = day;
    for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
    return days;
}

std::int64_t DaysBetween(int year, int month, int day) {
    // Whole years from 1601 by the Gregorian rule, then the days of this year.
    std::int64_t years = year - 1601;
    std::int64_t days = years * 365 + years / 4 - years / 100 + years / 400;
    return days + DayOfYear(year, month, day) - 1;
}

ZipCalendarTime FileTimeToCalendar(const FILETIME& time) {
    std::int64_t units = Units(time);
    std::int64_t days = units / kUnitsPerDay;
    std::int64_t rest = units % kUnitsPerDay;
    ZipCalendarTime calendar{};
    int year = 1601;
    for (;;) {
        int yearDays = IsLeapYear(year) ? 366 : 365;
        if (days < yearDays) break;
        days -= yearDays;
        ++year;
    }
    int month = 1;
    while (days >= DaysInMonth(year, month)) {
        days -= DaysInMonth(year, month);
        ++month;
    }
    calendar.year = year;
    calendar.month = month;
    calendar.day = static_cast<int>(days) + 1;
    std::int64_t milliseconds = rest / 10000;
    calendar.hour = static_cast<int>(milliseconds / 3600000);
    calendar.minute = static_cast<int>(milliseconds / 60000 % 60);
    calendar.second = static_cast<int>(milliseconds / 1000 % 60);
    calendar.milliseconds = static_cast<int>(milliseconds % 1000);
    return calendar;
}

bool CalendarToFileTime(const ZipCalendarTime& calendar, FILETIME* time) {
    if (time == nullptr || !IsValidDate(calendar.year, calendar.month, calendar.day)) return false;
    if (calendar.hour < 0 || calendar.hour > 23 || calendar.minute < 0 || calendar.minute > 59 || calendar.second < 0 ||
        calendar.second > 59 || calendar.milliseconds < 0 || calendar.milliseconds > 999) {
        return false;
    }
    std::int64_t milliseconds =
        ((calendar.hour * 60LL + calendar.minute) * 60 + calendar.second) * 1000 + calendar.milliseconds;
    *time = FromUnits(DaysBetween(calendar.year, calendar.month, calendar.day) * kUnitsPerDay + milliseconds * 10000);
    return true;
}

std::int64_t FileTimeToUnixTime(const FILETIME& time) { return (Units(time) - kUnixEpochUnits) / kUnitsPerSecond; }

FILETIME UnixTimeToFileTime(std::int64_t seconds) { return FromUnits(seconds * kUnitsPerSecond + kUnixEpochUnits); }

FILETIME ShiftUtcToLocal(const FILETIME& time) {
    return FromUnits(Units(time) + HourDifference() * 3600LL * kUnitsPerSecond);
}

FILETIME ShiftLocalToUtc(const FILETIME& time) {
    return FromUnits(Units(time) - HourDifference() * 3600LL * kUnitsPerSecond);
}

DWORD CalendarToDosDateTime(const ZipCalendarTime& calendar) {
    ZipCalendarTime c = calendar;
    if (c.year < 1980) c = ZipCalendarTime{1980, 1, 1, 0, 0, 0, 0};
    if (c.year > 2107) c = ZipCalendarTime{2107, 12, 31, 23, 59, 58, 0};
    DWORD date = static_cast<DWORD>((c.year - 1980) * 512 + c.month * 32 + c.day);
    DWORD timeOfDay = static_cast<DWORD>(c.hour * 2048 + c.minute * 32 + c.second / 2);
    return (date << 16) | timeOfDay;
}

ZipCalendarTime DosDateTimeToCalendar(DWORD dosDateTime) {
    DWORD date = dosDateTime >> 16;
    DWORD timeOfDay = dosDateTime & 0xFFFF;
    ZipCalendarTime c{};
    c.year = static_cast<int>((date >> 9) & 0x7F) + 1980;
    c.month = static_cast<int>((date >> 5) & 0x0F);
    c.day = static_cast<int>(date & 0x1F);
    c.hour = static_cast<int>((timeOfDay >> 11) & 0x1F);
    c.minute = static_cast<int>((timeOfDay >> 5) & 0x3F);
    c.second = static_cast<int>((timeOfDay & 0x1F) * 2);
    return c;
}
