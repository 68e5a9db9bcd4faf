// Files as bytes and UTF-8 literals as texts, for the offscreen GUI tests.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

namespace kova::testing {

inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

inline QString U(const char* text) {
    return QString::fromUtf8(text);
}

}  // namespace kova::testing
