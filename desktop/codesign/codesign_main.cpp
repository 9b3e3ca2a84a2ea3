// codesign: the part of the platform's code-signing tool that Tessly relies on.
//
//   codesign -d [-v | --verbose=N] PATH...
//       prints the signing details of each bundle on standard error: "Executable=", "Identifier=",
//       "Format=app bundle with ...", then "Authority=" lines (the identity first) for an identity
//       signature or "Signature=adhoc" for an ad-hoc one; an unsigned bundle gives
//       "PATH: code object is not signed at all" and status 1.
//   codesign --sign ID [--force] [--deep] [--options runtime] [--timestamp | --timestamp=none] PATH...
//       writes the signature manifest into each bundle; ID "-" signs ad hoc. A signed bundle is signed
//       again only with --force. Nested code is always covered, so --deep changes nothing here.
//
// Exit status 0 on success, 1 when a bundle cannot be displayed or signed, 2 for a usage error. Short options
// may be grouped ("-dv", "-fs ID").
#include "bundle_signature.h"

#include "platform/property_list.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

#include <cstdio>

namespace tessly::codesign {
namespace {

constexpr int kFailure = 1;
constexpr int kUsage = 2;

void printError(const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
}

int usage(const QString& problem) {
    printError(QStringLiteral("codesign: ") + problem);
    printError(QStringLiteral(
        "Usage: codesign -s identity [-f] [--deep] [-o runtime] [--timestamp[=none]] path ...   # sign\n"
        "       codesign -d [-v] [--verbose=N] path ...                                        # display"));
    return kUsage;
}

struct Command {
    bool display = false;
    int verbosity = 0;
    std::optional<QString> identity;
    bool force = false;
    QStringList options;
    bool timestamp = false;
    QStringList paths;
};

/// Reads the arguments in order into a command: options until the first path (or "--"), then the paths.
class CommandParser {
public:
    explicit CommandParser(const QStringList& arguments) : m_arguments(arguments) {}

    /// Parses the arguments into `command`; a usage problem's description on failure.
    std::optional<QString> parse(Command& command) {
        for (; m_index < m_arguments.size(); ++m_index) {
            const QString& argument = m_arguments.at(m_index);
            if (argument == QLatin1String("--")) {
                ++m_index;
                break;
            }
            if (!argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
                break;
            }
            const std::optional<QString> problem = argument.startsWith(QLatin1String("--"))
                                                       ? longOption(argument, command)
                                                       : shortOptions(argument, command);
            if (problem) {
                return problem;
            }
        }
        command.paths = m_arguments.mid(m_index);
        return problemOf(command);
    }

private:
    /// The argument after the current one, which becomes the current one.
    std::optional<QString> nextValue() {
        if (m_index + 1 >= m_arguments.size()) {
            return std::nullopt;
        }
        return m_arguments.at(++m_index);
    }

    static std::optional<QString> addOptions(const QString& list, Command& command) {
        for (const QString& flag : list.split(QLatin1Char(','))) {
            if (flag != QLatin1String("runtime")) {
                return QStringLiteral("unsupported option flag \"%1\"").arg(flag);
            }
            if (!command.options.contains(flag)) {
                command.options.append(flag);
            }
        }
        return std::nullopt;
    }

    std::optional<QString> longOption(const QString& argument, Command& command) {
        static const QRegularExpression kVerboseLevel(QStringLiteral("^--verbose=([0-9]+)$"));
        if (argument == QLatin1String("--display")) {
            command.display = true;
        } else if (argument == QLatin1String("--verbose")) {
            ++command.verbosity;
        } else if (const auto match = kVerboseLevel.match(argument); match.hasMatch()) {
            command.verbosity = match.captured(1).toInt();
        } else if (argument == QLatin1String("--force")) {
            command.force = true;
        } else if (argument == QLatin1String("--deep")) {
            // Every file of the bundle is sealed anyway.
        } else if (argument == QLatin1String("--sign")) {
            command.identity = nextValue();
            if (!command.identity) {
                return QStringLiteral("--sign needs an identity");
            }
        } else if (argument == QLatin1String("--options")) {
            const auto list = nextValue();
            return list ? addOptions(*list, command) : QStringLiteral("--options needs a list of flags");
        } else if (argument == QLatin1String("--timestamp")) {
            command.timestamp = true;
        } else if (argument == QLatin1String("--timestamp=none")) {
            command.timestamp = false;
        } else {
            return QStringLiteral("unrecognized option \"%1\"").arg(argument);
        }
        return std::nullopt;
    }

    // A group of short options; one that takes a value takes the rest of the group or the next argument.
    std::optional<QString> shortOptions(const QString& argument, Command& command) {
        for (qsizetype k = 1; k < argument.size(); ++k) {
            const QChar letter = argument.at(k);
            if (letter == QLatin1Char('d')) {
                command.display = true;
            } else if (letter == QLatin1Char('v')) {
                ++command.verbosity;
            } else if (letter == QLatin1Char('f')) {
                command.force = true;
            } else if (letter == QLatin1Char('s') || letter == QLatin1Char('o')) {
                const std::optional<QString> given =
                    k + 1 < argument.size() ? std::optional<QString>(argument.mid(k + 1)) : nextValue();
                if (!given) {
                    return QStringLiteral("-%1 needs a value").arg(letter);
                }
                if (letter == QLatin1Char('o')) {
                    return addOptions(*given, command);
                }
                command.identity = given;
                return std::nullopt;
            } else {
                return QStringLiteral("unrecognized option \"-%1\"").arg(letter);
            }
        }
        return std::nullopt;
    }

    /// What is missing or contradictory in a command whose arguments all read.
    static std::optional<QString> problemOf(const Command& command) {
        if (command.display && command.identity) {
            return QStringLiteral("choose one of --display and --sign");
        }
        if (!command.display && !command.identity) {
            return command.verbosity > 0 ? QStringLiteral("verifying is not part of this stand-in")
                                         : QStringLiteral("no operation given: -d to display or -s to sign");
        }
        if (command.paths.isEmpty()) {
            return QStringLiteral("no path given");
        }
        return std::nullopt;
    }

    const QStringList& m_arguments;
    qsizetype m_index = 0;
};

std::optional<PlistDictionary> infoDictionary(const QString& bundle) {
    auto parsed = readPropertyListFile(bundle + QStringLiteral("/Contents/Info.plist"));
    if (!parsed || !parsed->root.isDictionary()) {
        return std::nullopt;
    }
    return std::move(*parsed->root.asDictionary());
}

QString infoText(const PlistDictionary& info, const char* key) {
    const PlistValue* value = info.find(key);
    return value && value->asString() ? *value->asString() : QString();
}

/// Texts that end up on one output line each: a line break inside would forge a line of its own.
bool isSingleLine(const QString& text) {
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator) {
            return false;
        }
    }
    return true;
}

QString displayDate(Date date) {
    const auto utc =
        QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(date.timeIntervalSince1970() * 1000.0), Qt::UTC);
    return QLocale::c().toString(utc, QStringLiteral("MMM d, yyyy 'at' HH:mm:ss 'UTC'"));
}

/// The team of an identity named "<kind>: <name> (<TEAM>)".
QString teamIdentifier(const QString& identity) {
    static const QRegularExpression kTeam(QStringLiteral("\\(([A-Z0-9]{10})\\)$"));
    const auto match = kTeam.match(identity);
    return match.hasMatch() ? match.captured(1) : QStringLiteral("not set");
}

QString executableFormat(const QString& executable) {
    QFile file(executable);
    if (file.open(QIODevice::ReadOnly) && file.read(4) == QByteArray("\x7f"
                                                                     "ELF")) {
        return QStringLiteral("app bundle with ELF executable");
    }
    return QStringLiteral("app bundle with generic");
}

/// The code directory's line: its size, its flags by value and by name, the files it seals.
QString codeDirectoryLine(const Manifest& manifest, qsizetype manifestSize) {
    QStringList flagNames;
    unsigned flags = 0;
    if (manifest.isAdHoc()) {
        flags |= 0x2;
        flagNames << QStringLiteral("adhoc");
    }
    if (manifest.options.contains(QLatin1String("runtime"))) {
        flags |= 0x10000;
        flagNames << QStringLiteral("runtime");
    }
    return QStringLiteral("CodeDirectory v=20500 size=%1 flags=0x%2(%3) hashes=%4 location=embedded")
        .arg(manifestSize)
        .arg(flags, 0, 16)
        .arg(flagNames.isEmpty() ? QStringLiteral("none") : flagNames.join(QLatin1Char(',')))
        .arg(manifest.files.size());
}

/// What "-dv" adds after the executable: the signature's identifier, format, hashes and authorities.
void printSignatureDetails(const QString& bundle, const QString& executable, const Manifest& manifest,
                           const PlistDictionary& info) {
    QFile file(bundle + QLatin1Char('/') + QLatin1String(kManifestPath));
    const QByteArray manifestBytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const QString cdHash = QString::fromLatin1(
        QCryptographicHash::hash(manifestBytes, QCryptographicHash::Sha256).toHex().left(40));

    printError(QStringLiteral("Identifier=") + manifest.identifier);
    printError(QStringLiteral("Format=") + executableFormat(executable));
    printError(codeDirectoryLine(manifest, manifestBytes.size()));
    printError(QStringLiteral("Hash type=sha256 size=32"));
    printError(QStringLiteral("CDHash=") + cdHash);
    if (manifest.isAdHoc()) {
        printError(QStringLiteral("Signature=adhoc"));
    } else {
        // The identity first, then the authorities above it, as a certificate chain reads.
        printError(QStringLiteral("Authority=") + manifest.identity);
        printError(QStringLiteral("Authority=Stand-in Intermediate Certification Authority"));
        printError(QStringLiteral("Authority=Stand-in Root Certification Authority"));
        printError((manifest.timestamp ? QStringLiteral("Timestamp=") : QStringLiteral("Signed Time=")) +
                   displayDate(manifest.signingDate));
    }
    printError(QStringLiteral("Info.plist entries=%1").arg(info.size()));
    printError(QStringLiteral("TeamIdentifier=") +
               (manifest.isAdHoc() ? QStringLiteral("not set") : teamIdentifier(manifest.identity)));
    printError(QStringLiteral("Sealed Resources version=2 files=%1").arg(manifest.files.size()));
    printError(QStringLiteral("Internal requirements count=0 size=12"));
}

int display(const QString& bundle, int verbosity) {
    if (auto problem = checkBundle(bundle)) {
        printError(bundle + QStringLiteral(": ") + *problem);
        return kFailure;
    }
    Manifest manifest;
    switch (readManifest(bundle, manifest)) {
    case ManifestState::Unsigned:
        printError(bundle + QStringLiteral(": code object is not signed at all"));
        return kFailure;
    case ManifestState::Damaged:
        printError(bundle + QStringLiteral(": invalid signature (code or signature have been modified)"));
        return kFailure;
    case ManifestState::Signed:
        break;
    }
    const PlistDictionary info = infoDictionary(bundle).value_or(PlistDictionary{});
    const QString absolute = QFileInfo(bundle).absoluteFilePath();
    const QString executable =
        absolute + QStringLiteral("/Contents/MacOS/") + infoText(info, "CFBundleExecutable");
    printError(QStringLiteral("Executable=") + executable);
    if (verbosity > 0) {
        printSignatureDetails(bundle, executable, manifest, info);
    }
    return 0;
}

int sign(const QString& bundle, const Command& command) {
    const QString& identity = *command.identity;
    if (identity.isEmpty() || !isSingleLine(identity)) {
        printError(QStringLiteral("codesign: no identity found"));
        return kFailure;
    }
    if (auto problem = checkBundle(bundle)) {
        printError(bundle + QStringLiteral(": ") + *problem);
        return kFailure;
    }
    if (!command.force && hasManifest(bundle)) {
        printError(bundle + QStringLiteral(": is already signed"));
        return kFailure;
    }
    Manifest manifest;
    manifest.identity = identity;
    manifest.identifier = infoText(infoDictionary(bundle).value_or(PlistDictionary{}), "CFBundleIdentifier");
    manifest.options = command.options;
    manifest.timestamp = command.timestamp;
    manifest.signingDate =
        Date::fromTimeIntervalSince1970(static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0);
    if (!isSingleLine(manifest.identifier)) {
        printError(bundle + QStringLiteral(": the bundle identifier holds a line break"));
        return kFailure;
    }
    if (auto problem = digestBundle(bundle, manifest.files)) {
        printError(bundle + QStringLiteral(": ") + *problem);
        return kFailure;
    }
    if (auto problem = writeManifest(bundle, manifest)) {
        printError(bundle + QStringLiteral(": ") + *problem);
        return kFailure;
    }
    return 0;
}

int run(const QStringList& arguments) {
    Command command;
    if (auto problem = CommandParser(arguments).parse(command)) {
        return usage(*problem);
    }
    int status = 0;
    for (const QString& path : command.paths) {
        const int result = command.display ? display(path, command.verbosity) : sign(path, command);
        status = status == 0 ? result : status;
    }
    return status;
}

} // namespace
} // namespace tessly::codesign

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return tessly::codesign::run(QCoreApplication::arguments().mid(1));
}
