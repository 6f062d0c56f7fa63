#pragma once

#include <QLocale>
#include <QString>

#include <string>

// The program's texts are 8-bit byte strings, shown one character per byte.
inline QString FromBytes(const std::string& s) {
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}
inline std::string ToBytes(const QString& s) {
    return s.toLatin1().toStdString();
}

// Paths travel in the file system's own encoding; on Windows that is UTF-8, which
// the core turns into wide paths, so no folder name is lost to the code page.
inline QString FromPath(const std::string& path) {
#ifdef Q_OS_WIN
    return QString::fromUtf8(path.c_str());
#else
    return QString::fromLocal8Bit(path.c_str());
#endif
}
inline std::string ToPath(const QString& path) {
#ifdef Q_OS_WIN
    return path.toUtf8().toStdString();
#else
    return path.toLocal8Bit().toStdString();
#endif
}

// The decimal separator of the user's regional settings, as the 8-bit character the
// editing windows compare with; '.' where the region's is no single 8-bit character.
inline char SystemDecimalSeparator() {
    const QString point = QLocale::system().decimalPoint();
    return point.size() == 1 && point.at(0).unicode() < 0x100 ? char(point.at(0).toLatin1()) : '.';
}
