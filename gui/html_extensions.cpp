#include "gui/html_extensions.h"

#include "engine/platform/file_services.h"
#include "engine/platform/text_file.h"
#include "engine/text_buffer.h"

namespace tavro {

std::optional<QStringList> ReadHtmlExtensions(const QString& path) {
    FileError error;
    std::unique_ptr<InputFile> file = PlatformFileServices().OpenRead(path.toStdString(), error);
    if (!file) return std::nullopt;
    ReadBuffer storage;
    LineReader reader(*file, storage);
    QStringList extensions;
    std::string_view line;
    while (reader.ReadLine(line)) {
        if (line.empty() || line.front() == '#') continue;
        extensions << QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
    }
    if (reader.Failed()) return std::nullopt;
    return extensions;
}

bool IsHtmlFile(const QString& file, const QStringList& extensions) {
    std::string bytes = file.toStdString();
    TextBuffer name(bytes);
    std::ptrdiff_t dot = name.ReverseFind(".", -1);
    QString extension =
        dot < 0 ? file : QString::fromStdString(bytes.substr(static_cast<std::size_t>(dot) + 1));
    return extensions.contains(extension, Qt::CaseSensitive);
}

QString HelperDirectory(const QString& program) {
    qsizetype separator = std::max(program.lastIndexOf(QLatin1Char('/')),
                                   program.lastIndexOf(QLatin1Char('\\')));
    if (separator < 0) return QString();
    QString directory = program.left(separator);
    // "/bin/x" keeps "/" as its directory; "C:\x" keeps "C:".
    if (directory.isEmpty()) return program.left(1);
    return directory;
}

}  // namespace tavro
