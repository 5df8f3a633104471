// Calendar routines of the zip writer and reader: FILETIME to calendar parts
// and back, Unix times, and the DOS date and time of archive entries.
#pragma once

#include <cstdint>

#include "platform/base/Win32Types.h"

struct ZipCalendarTime {
    int year;
    int month;  // 1..12
    int day;    // 1..31
    int hour;
    int minute;
    int second;
    int milliseconds;
};

bool IsLeapYear(int year);
// A date of the Gregorian calendar from 1601 on.
bool IsValidDate(int year, int month, int day);
// 1 for 1 January.
int DayOfYear(int year, int month, int day);
// Whole days from 1601-01-01 to the date.
std::int64_t DaysBetween(int year, int month, int day);

ZipCalendarTime FileTimeToCalendar(const FILETIME& time);
// False for an invalid date or time of day.
bool CalendarToFileTime(const ZipCalendarTime& calendar, FILETIME* time);
std::int64_t FileTimeToUnixTime(const FILETIME& time);
FILETIME UnixTimeToFileTime(std::int64_t seconds);

// Moves a time by the current difference between the local and the UTC hour of day.
FILETIME ShiftUtcToLocal(const FILETIME& time);
FILETIME ShiftLocalToUtc(const FILETIME& time);

// DOS date (high 16 bits) and time (low 16 bits) of a calendar time; years
// outside 1980..2107 are clamped to the nearest representable one.
DWORD CalendarToDosDateTime(const ZipCalendarTime& calendar);
ZipCalendarTime DosDateTimeToCalendar(DWORD dosDateTime);
