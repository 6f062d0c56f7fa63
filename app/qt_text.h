#pragma once

#include <QString>

#include <string>

// The program's texts are 8-bit byte strings, shown one character per byte.
inline QString FromBytes(const std::string& s) {
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}
inline std::string ToBytes(const QString& s) {
    return s.toLatin1().toStdString();
}

// Paths travel in the file system's own encoding.
inline QString FromPath(const std::string& path) {
    return QString::fromLocal8Bit(path.c_str());
}
inline std::string ToPath(const QString& path) {
    return path.toLocal8Bit().toStdString();
}
