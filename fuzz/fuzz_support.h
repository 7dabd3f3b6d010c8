// What the program's fuzz targets share: the Qt application and a scratch folder made once, and a
// reader that turns the fuzzer's bytes into choices, numbers and pieces of data.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace fuzz {

// Makes the application object and a scratch folder (the program's folder, so settings and trace
// files land there) once per process; returns that folder, ending in '/'.
const QString& Start();

class Input {
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool Empty() const { return m_at >= m_size; }
    size_t Left() const { return m_size - m_at; }
    uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    uint32_t Number(int bytes); // little-endian, missing bytes read as 0
    // Up to max bytes of the input, as they come.
    QByteArray Bytes(size_t max);

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

// Stops the process with the text on standard error: an invariant of the code under test broke.
[[noreturn]] void Fail(const char* what);

} // namespace fuzz
