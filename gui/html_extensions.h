#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace tavro {

inline constexpr const char* kHtmlExtensionsFile = "HTMLFiles.dat";

// The extensions listed in an HTMLFiles.dat: one a line, without the dot;
// empty lines and lines starting with "#" are skipped, nothing is trimmed.
// Nothing when the file cannot be read.
std::optional<QStringList> ReadHtmlExtensions(const QString& path);

// The text after the last "." of `file` (the whole text when there is none,
// or when the only dot is its first character) compared exactly with each
// extension.
bool IsHtmlFile(const QString& file, const QStringList& extensions);

// A program's directory as stored beside it: the full name less the file name
// and its separator; a drive's root directory is the drive alone ("C:").
QString HelperDirectory(const QString& program);

}  // namespace tavro
