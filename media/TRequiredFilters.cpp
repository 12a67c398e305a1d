#include "media/TRequiredFilters.h"

#include "graph/PlatformFilters.h"
#include "media/InstalledFilters.h"

namespace
{
QString escaped(const QString& text)
{
    // The link markup's own escape: "<" is written "<<>".
    QString out;
    for (QChar c : text)
        out += c == u'<' ? QStringLiteral("<<>") : QString(c);
    return out;
}
} // namespace

QString TRequiredFilters::TResult::Line() const
{
    return present ? name : name + QStringLiteral(" non trouvé");
}

const std::vector<TRequiredFilters::TRow>& TRequiredFilters::Rows()
{
    using namespace PlatformFilters;
    static const std::vector<TRow> rows {
        { QStringLiteral("Default DirectSound Device"), CLSID_DSoundRender, nullptr },
        { QStringLiteral("DV Video Decoder"), CLSID_DVVideoCodec, nullptr },
        { QStringLiteral("Null Renderer"), CLSID_NullRenderer, nullptr },
        { FfdshowVideoName, CLSID_FfdshowVideoDecoder, &FfdshowVideoPresent },
        { FfdshowAudioName, CLSID_FfdshowAudioDecoder, &FfdshowAudioPresent },
        { QStringLiteral("DV Splitter"), CLSID_DVSplitter, nullptr },
        { QStringLiteral("Avi Splitter"), CLSID_AviSplitter, nullptr },
        { QStringLiteral("File Source (Async.)"), CLSID_AsyncReader, nullptr },
        { QStringLiteral("MPEG-I Stream Splitter"), CLSID_MPEG1Splitter, nullptr },
        { QStringLiteral("WM ASF Reader"), CLSID_WMAsfReader, nullptr },
        { HaaliSplitterName, CLSID_HaaliMediaSplitter, &HaaliPresent },
        { QStringLiteral("MPEG-2 Splitter"), CLSID_MPEG2Splitter, nullptr },
        { QStringLiteral("MPEG-2 Demultiplexer"), CLSID_MPEG2Demultiplexer, nullptr },
    };
    return rows;
}

std::vector<TRequiredFilters::TResult> TRequiredFilters::Check()
{
    std::vector<TResult> results;
    for (const TRow& row : Rows()) {
        const bool present = PlatformFilters::Create(row.clsid) != nullptr;
        if (row.flag) *row.flag = present;
        results.push_back({ row.name, present });
    }
    return results;
}

QString TRequiredFilters::HelpMarkup(
    const QString& systemLine, const QString& versionLine, const std::vector<TResult>& results)
{
    QString markup = QStringLiteral("<b>") + escaped(systemLine) + escaped(versionLine)
        + QStringLiteral("</b><br><br><i><color blue>Filtres:</color></i><br>");
    for (const TResult& r : results) {
        markup += r.present ? escaped(r.Line())
                            : QStringLiteral("<color red>") + escaped(r.Line()) + QStringLiteral("</color>");
        markup += QStringLiteral("<br>");
    }
    return markup;
}

int TRequiredFilters::WarningCase(bool splitter, bool videoDecoder, bool audioDecoder)
{
    const bool decoders = videoDecoder && audioDecoder;
    if (splitter && decoders) return -1;
    if (!splitter) return decoders ? 1 : 0;
    return 2;
}

QString TRequiredFilters::WarningMarkup(int warningCase, const QString& filtersPage)
{
    static const QString openings[] = {
        QStringLiteral(
            "<b><color maroon>Stillex</color></b> est conçu pour fonctionner avec les filtres "
            "<b><color blue>Haali Media Splitter</color></b> et <b><color blue>ffdshow</color></b> "
            "qui ne sont pas installés sur votre système.<br><br>"),
        QStringLiteral("<b><color maroon>Stillex</color></b> est conçu pour fonctionner avec le filtre "
                       "<b><color blue>Haali Media Splitter</color></b> qui n'est pas installé sur votre "
                       "système.<br><br>"),
        QStringLiteral("<b><color maroon>Stillex</color></b> est conçu pour fonctionner avec les filtres "
                       "<b><color blue>ffdshow</color></b> qui ne sont pas complètement installés sur votre "
                       "système.<br><br>"),
    };
    if (warningCase < 0 || warningCase > 2) return QString();
    return openings[warningCase]
        + QStringLiteral(
            "Vous devriez quitter l'application, et installer les filtres manquants, avant de la "
            "relancer.<br><br>Vous pouvez tenter de continuer néanmoins, mais beaucoup de fichiers "
            "vidéos ne seront pas lisibles.<br><br>Pour voir comment installer les filtres manqua")
        + QStringLiteral("nts, ") + QStringLiteral("<url ") + filtersPage
        + QStringLiteral(">cliquez ici</url>.");
}
