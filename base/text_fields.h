// Small text routines used to take dotted addresses and reply lines apart.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// Splits text at the first character of delimiter into fields[1..maxFields] (fields[0] stays empty).
// Runs of the delimiter and delimiters at either end make no empty fields; text beyond the
// maxFields-th field is ignored. Empty text or delimiter: count = 0 and fields are left alone.
void SplitFields(const QString& text, const QString& delimiter, int maxFields, QStringList& fields,
                 int& count);

// True for a non-empty text made only of the characters 0-9.
bool IsDigits(const QString& text);

// IsDigits and min <= value <= max; a value that does not fit 32 bits is out of range.
bool IsNumberInRange(const QString& text, int32_t min, int32_t max);

// Parses a text that IsDigits accepts; false when it is not digits or does not fit 32 signed bits.
bool ParseDigits32(const QString& text, int32_t& value);

// The smallest element, never more than 999999.
double MinOfArray(const std::vector<double>& values);
