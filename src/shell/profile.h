// A profile file in the manner of the classic INI files: "[Section]" lines
// and "key=value" lines; sections and keys match without regard to case.
// Every read goes to the file, so changes made by hand are seen at once.
#pragma once

#include "atomic_file.h"

#include <QString>
#include <QStringList>

#include <optional>

class ProfileFile {
public:
    // defaultPaths: files read, in order, for a key the file itself lacks
    // (the settings a teacher makes for every user); never written.
    explicit ProfileFile(QString path, QStringList defaultPaths = {})
        : m_path(std::move(path)), m_defaultPaths(std::move(defaultPaths)) {}

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
    // atomically. Says why when it cannot be written.
    zentor::SaveResult writeString(const QString& section, const QString& key,
                                   const QString& value);

    // The leading whole number of a text, as readInt takes it.
    static bool leadingInt(const QString& text, int& value);

private:
    QStringList readLines() const;
    static QStringList readLinesOf(const QString& path);
    static std::optional<QString> valueIn(const QStringList& lines, const QString& section,
                                          const QString& key);

    QString m_path;
    QStringList m_defaultPaths;
};
