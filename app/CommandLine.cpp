#include "app/CommandLine.h"

#include "render/RenderSize.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <QSet>

#include <cmath>

namespace tarnvik {

namespace {

// Options QApplication takes out of the command line itself; with one or two
// dashes, a value after them or after "=".
const QSet<QString> kQtOptionsWithValue = {
    QStringLiteral("platform"),   QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
    QStringLiteral("plugin"),     QStringLiteral("qwindowgeometry"),    QStringLiteral("geometry"),
    QStringLiteral("qwindowtitle"), QStringLiteral("title"),            QStringLiteral("qwindowicon"),
    QStringLiteral("icon"),       QStringLiteral("display"),            QStringLiteral("session"),
    QStringLiteral("style"),      QStringLiteral("stylesheet"),         QStringLiteral("name"),
};
const QSet<QString> kQtFlags = {
    QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("nograb"),
    QStringLiteral("dograb"),  QStringLiteral("sync"),        QStringLiteral("testability"),
    QStringLiteral("qmljsdebugger"),
};

QStringList withoutQtOptions(const QStringList& arguments, bool& platformGiven) {
    QStringList out;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--")) {
            out << arguments.mid(i);
            break;
        }
        QString name = a.startsWith(QLatin1String("--")) ? a.mid(2) : a.startsWith(QLatin1Char('-')) ? a.mid(1) : QString();
        const bool inline_ = name.contains(QLatin1Char('='));
        name = name.section(QLatin1Char('='), 0, 0);
        if (i > 0 && kQtOptionsWithValue.contains(name)) {
            if (name == QLatin1String("platform") || name == QLatin1String("display")) platformGiven = true;
            if (!inline_) ++i;
            continue;
        }
        if (i > 0 && kQtFlags.contains(name)) continue;
        out << a;
    }
    return out;
}

CommandLine fail(CommandLine c, const QString& text) {
    c.exitStatus = 2;
    c.output = QStringLiteral("tarnvik: %1\n").arg(text);
    return c;
}

} // namespace

QString tarnvikVersion() { return QStringLiteral(TARNVIK_VERSION); }

CommandLine readCommandLine(const QStringList& arguments) {
    CommandLine c;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Video overlay of vessel and ROV navigation"));
    // Our own, not addHelpOption(): Qt's "--help-all" would promise Qt's options,
    // which need the application object to list.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays help on commandline options."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays version information."));
    const QCommandLineOption settings(QStringLiteral("settings"), QStringLiteral("Settings file to use."),
                                      QStringLiteral("FILE"));
    const QCommandLineOption size(QStringLiteral("size"),
                                  QStringLiteral("Render size at start (default: the last one, else 720x576)."),
                                  QStringLiteral("WxH"));
    const QCommandLineOption compositions(QStringLiteral("compositions"),
                                          QStringLiteral("Folder of the compositions (NAME.qtz) to use."),
                                          QStringLiteral("DIR"));
    const QCommandLineOption frames(QStringLiteral("frames"), QStringLiteral("Quit after N rendered frames."),
                                    QStringLiteral("N"));
    const QCommandLineOption snapshot(QStringLiteral("snapshot-to"),
                                      QStringLiteral("With --frames: write the last frame as PNG."),
                                      QStringLiteral("FILE"));
    const QCommandLineOption dvOut(QStringLiteral("dv-out"),
                                   QStringLiteral("Live DV to this file or pipe where no FireWire device takes it."),
                                   QStringLiteral("PATH"));
    const QCommandLineOption stream(QStringLiteral("stream"),
                                    QStringLiteral("Send the picture as a network stream at once, to "
                                                   "srt://0.0.0.0:PORT?mode=listener or udp://HOST:PORT."),
                                    QStringLiteral("URL"));
    const QCommandLineOption virtualCamera(QStringLiteral("virtual-camera"),
                                           QStringLiteral("Write the picture to the virtual camera at once."));
    const QCommandLineOption scriptLimit(
        QStringLiteral("script-limit"),
        QStringLiteral("Stop a composition's script that runs longer than this and leave its layer out "
                       "(default 3)."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption valuesTo(QStringLiteral("values-to"),
                                      QStringLiteral("Append what the layers were given, a CSV row every 0.3 s."),
                                      QStringLiteral("FILE.csv"));
    const QCommandLineOption record(QStringLiteral("record"),
                                    QStringLiteral("Start a survey recording into this folder at launch."),
                                    QStringLiteral("FOLDER"));
    const QCommandLineOption split(QStringLiteral("split"),
                                   QStringLiteral("Begin a new recording file after this many seconds (in place of "
                                                  "the recording settings' interval)."),
                                   QStringLiteral("SECONDS"));
    parser.addOptions({help, version, settings, size, compositions, frames, snapshot, dvOut, stream, virtualCamera,
                       scriptLimit, valuesTo, record, split});
    parser.addPositionalArgument(QStringLiteral("decoder options"),
                                 QStringLiteral("After --: options of the decoder (default -u49000)."));

    const bool parsed = parser.parse(withoutQtOptions(arguments, c.qtPlatformGiven));
    if (parser.isSet(help)) {
        c.exitStatus = 0;
        // Without an application object Qt cannot know the program's name.
        c.output = parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("tarnvik"));
        return c;
    }
    if (parser.isSet(version)) {
        c.exitStatus = 0;
        c.output = QStringLiteral("tarnvik %1\n").arg(tarnvikVersion());
        return c;
    }
    if (!parsed) return fail(c, parser.errorText() + QStringLiteral(" See tarnvik --help."));

    AppOptions& o = c.options;
    if (!parser.positionalArguments().isEmpty()) o.decoderArguments = parser.positionalArguments();
    o.settingsPath = parser.value(settings);
    if (parser.isSet(size)) {
        const auto m = QRegularExpression(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$")).match(parser.value(size));
        if (!m.hasMatch())
            return fail(
                c,
                QStringLiteral("--size must be WIDTHxHEIGHT, for example 720x576, not \"%1\"").arg(parser.value(size)));
        o.renderSize = QSize(m.captured(1).toInt(), m.captured(2).toInt());
        if (const QString problem = renderSizeProblem(o.renderSize); !problem.isEmpty())
            return fail(c, QStringLiteral("--size %1 cannot be used: %2").arg(parser.value(size), problem));
    }
    if (parser.isSet(frames)) {
        bool ok = false;
        o.frames = parser.value(frames).toInt(&ok);
        if (!ok || o.frames < 1)
            return fail(c, QStringLiteral("--frames must be a positive number, not \"%1\"").arg(parser.value(frames)));
    }
    if (parser.isSet(snapshot) && !parser.isSet(frames))
        return fail(c, QStringLiteral("--snapshot-to needs --frames"));
    o.snapshotTo = parser.value(snapshot);
    o.dvOut = parser.value(dvOut);
    if (parser.isSet(stream) && parser.isSet(virtualCamera))
        return fail(c, QStringLiteral("--stream and --virtual-camera cannot both be used: the picture goes to one "
                                      "output at a time"));
    o.streamUrl = parser.value(stream);
    if (parser.isSet(stream) && o.streamUrl.isEmpty()) return fail(c, QStringLiteral("--stream needs a URL"));
    o.virtualCamera = parser.isSet(virtualCamera);
    if (parser.isSet(valuesTo) && parser.value(valuesTo).isEmpty())
        return fail(c, QStringLiteral("--values-to needs a file"));
    o.valuesTo = parser.value(valuesTo);
    if (parser.isSet(scriptLimit)) {
        bool ok = false;
        const double s = parser.value(scriptLimit).toDouble(&ok);
        if (!ok || !(s >= 0.1 && s <= 3600))
            return fail(c, QStringLiteral("--script-limit must be a number of seconds from 0.1 to 3600, not \"%1\"")
                               .arg(parser.value(scriptLimit)));
        o.scriptLimit = std::chrono::milliseconds(std::lround(s * 1000));
    }
    if (parser.isSet(record)) {
        o.recordFolder = parser.value(record);
        if (o.recordFolder.isEmpty()) return fail(c, QStringLiteral("--record needs a folder"));
    }
    if (parser.isSet(split)) {
        bool ok = false;
        const double s = parser.value(split).toDouble(&ok);
        if (!ok || !(s >= 1 && s <= 86400))
            return fail(c, QStringLiteral("--split must be a number of seconds from 1 to 86400, not \"%1\"")
                               .arg(parser.value(split)));
        o.splitSeconds = s;
    }
    if (parser.isSet(compositions)) {
        c.compositions = parser.value(compositions);
        if (c.compositions.isEmpty()) return fail(c, QStringLiteral("--compositions needs a folder"));
    }
    return c;
}

} // namespace tarnvik
