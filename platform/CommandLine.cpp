// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/CommandLine.h"

#include "platform/Version.h"

#include <QDir>
#include <QUrl>

#include <algorithm>
#include <iterator>

namespace {

QString usage();

struct Option
{
    const char* name;
    // How the option's argument is written in the usage, or empty when it takes none.
    const char* argument;
    const char* help;
    void (*apply)(CommandLine& line);
};

// One row per option; the usage text is made from this table.
const Option options[] = {
    { "--play", "[FOLDER]", "start the show at once, with the stored settings",
        [](CommandLine& line) { line.play = true; } },
    { "--help", "", "print this help and exit", [](CommandLine& line) { line.output = usage(); } },
    { "--version", "", "print the version and exit",
        [](CommandLine& line) {
            line.output = QStringLiteral("Slidewell %1.%2.%3\n")
                              .arg(Version::major)
                              .arg(Version::minor)
                              .arg(Version::revision);
        } },
};

QString usage()
{
    QString text = QStringLiteral("Usage: slidewell [FOLDER]\n");
    for (const Option& option : options)
        text += QStringLiteral("       slidewell %1\n")
                    .arg(QStringLiteral("%1 %2").arg(option.name, option.argument).trimmed());
    text += QStringLiteral("Shows the pictures of a folder one after the other.\n\n"
                           "  FOLDER           the folder to show, put into the folder box\n");
    for (const Option& option : options)
        text += QStringLiteral("  %1%2\n")
                    .arg(QStringLiteral("%1 %2").arg(option.name, option.argument), -17)
                    .arg(option.help);
    return text;
}

// What a file manager or a shell would have made of the text: a local path.
QString localPath(const QString& text)
{
    if (text.startsWith(QLatin1String("file://"))) {
        const QUrl url(text, QUrl::StrictMode);
        if (url.isValid() && url.isLocalFile()
            && (url.host().isEmpty() || url.host() == QLatin1String("localhost")))
            return url.toLocalFile();
    }
    if (text == u'~' || text.startsWith(QLatin1String("~/")))
        return QDir::homePath() + text.mid(1);
    return text;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments)
{
    CommandLine line;
    QStringList rest = arguments.mid(1);
    if (!rest.isEmpty()) {
        const auto option = std::find_if(std::begin(options), std::end(options),
            [&](const Option& candidate) { return rest.first() == QLatin1String(candidate.name); });
        if (option != std::end(options)) {
            option->apply(line);
            rest.removeFirst();
        }
    }
    line.folderText = localPath(rest.join(u' '));
    return line;
}
