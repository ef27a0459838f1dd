// A profile file in the manner of the classic INI files: "[Section]" lines
// and "key=value" lines; sections and keys match without regard to case.
// Every read goes to the file, so changes made by hand are seen at once.
#pragma once

#include <QString>
#include <QStringList>

class ProfileFile {
public:
    explicit ProfileFile(QString path) : m_path(std::move(path)) {}

    const QString& path() const { return m_path; }

    // The value of the key, trimmed; the default when the file, the section
    // or the key is missing or the file cannot be read.
    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue = {}) const;

    // The leading whole number of the value ("12abc" gives 12, " -3" gives
    // -3); the default when the key is missing or its value does not begin
    // with a number.
    int readInt(const QString& section, const QString& key, int defaultValue) const;

    // Sets the key, keeping every other line of the file; creates the file,
    // its folder, the section or the key as needed. The file is replaced
    // atomically. False when it cannot be written.
    bool writeString(const QString& section, const QString& key, const QString& value);

    // The leading whole number of a text, as readInt takes it.
    static bool leadingInt(const QString& text, int& value);

private:
    QStringList readLines() const;

    QString m_path;
};
