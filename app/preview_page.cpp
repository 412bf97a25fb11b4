#include "app/preview_page.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* PageStart = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
@REFRESH@<title>Skins in the game's colours</title>
<style>
body { font-family: sans-serif; background: #2a2a2e; color: #e8e8e8; margin: 1.5em; }
a { color: #9cc8ff; }
table { border-collapse: collapse; }
th, td { padding: 0.6em 1em; border-bottom: 1px solid #444; vertical-align: top; text-align: left; }
td.pictures { white-space: nowrap; }
figure { display: inline-block; margin: 0 1em 0 0; vertical-align: top; }
figcaption { font-size: 0.85em; color: #aaa; }
img { image-rendering: pixelated; max-width: 45vw; height: auto; background: #000; }
.far { color: #ffb070; }
.note { color: #aaa; }
</style>
</head>
<body>
<h1>Skins in the game's colours</h1>
)";

constexpr const char* PageEnd = "</body>\n</html>\n";
constexpr const char* RefreshMark = "@REFRESH@";

// Small skins are shown larger, pixel for pixel, up to this many screen pixels a side.
constexpr std::int32_t ShownSide = 256;
constexpr std::int32_t LargestScale = 8;

// Skins converted in this run come first, worst first; then those converted before.
bool shownBefore(const PreviewEntry& a, const PreviewEntry& b) {
    if (a.distances.has_value() != b.distances.has_value()) {
        return a.distances.has_value();
    }
    if (a.distances && a.distances->mean != b.distances->mean) {
        return a.distances->mean > b.distances->mean;
    }
    return a.name < b.name;
}

std::string formatted(const char* format, double value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string figuresCell(const PreviewEntry& entry) {
    if (!entry.distances) {
        return "<td class=\"note\">converted before this run</td>";
    }
    const ui::ColourDistances& d = *entry.distances;
    std::string cell = "<td>mean " + formatted("%.1f", d.mean) + "<br>largest " +
                       formatted("%.1f", d.largest) + "<br>";
    const std::string share =
        formatted("%.1f%%", d.farShare * 100.0) + " farther than " + std::to_string(d.farDistance);
    cell += d.farShare > 0.0 ? "<span class=\"far\">" + share + "</span>" : share;
    return cell + "</td>";
}

std::string figure(const std::string& picture, const PreviewEntry& entry, const char* caption) {
    const std::int32_t side = std::max(entry.width, entry.height);
    const std::int32_t scale = std::clamp(side > 0 ? ShownSide / side : 1, 1, LargestScale);
    return "<figure><a href=\"" + encodeUrlPath(picture) + "\"><img src=\"" +
           encodeUrlPath(picture) + "\" width=\"" + std::to_string(entry.width * scale) +
           "\" height=\"" + std::to_string(entry.height * scale) + "\" alt=\"" +
           escapeHtml(entry.name) + ", " + caption + "\"></a><figcaption>" + caption +
           "</figcaption></figure>";
}

std::string picturesCell(const PreviewEntry& entry) {
    std::string cell = "<td class=\"pictures\">";
    if (!entry.sourcePicture.empty()) {
        cell += figure(entry.sourcePicture, entry, "before");
    }
    if (!entry.picture.empty()) {
        cell += figure(entry.picture, entry, "in the game's colours");
    }
    if (!entry.problem.empty()) {
        cell += "<span class=\"note\">no picture: " + escapeHtml(entry.problem) + "</span>";
    }
    return cell + "</td>";
}

// A skin whose conversion was pictured but not put in place says so under its name.
std::string notWrittenNote(const PreviewEntry& entry) {
    if (entry.notWritten.empty()) {
        return {};
    }
    return "<br><span class=\"far\">not converted: " + escapeHtml(entry.notWritten) + "</span>";
}

std::string row(const PreviewEntry& entry) {
    return "<tr><th>" + escapeHtml(entry.name) + "<br><span class=\"note\">" +
           std::to_string(entry.width) + " x " + std::to_string(entry.height) + "</span>" +
           notWrittenNote(entry) + "</th>" + figuresCell(entry) + picturesCell(entry) + "</tr>\n";
}

// Dithering moves most pixels farther from their own colour than their nearest palette
// colour would be, while areas come nearer their colour on average: the figures need that
// said.
std::string ditherNote(DitherMethod dither) {
    const char* method = nullptr;
    switch (dither) {
    case DitherMethod::None:
        return {};
    case DitherMethod::Diffusion:
        method = "Dithered by error diffusion (--dither): ";
        break;
    case DitherMethod::Ordered:
        method = "Dithered with an ordered 8 x 8 pattern (--dither=ordered): ";
        break;
    }
    return std::string(method) +
           "shades between the palette's colours are mixed from them, so a pixel may be "
           "given a colour farther from its own than the nearest, while an area keeps its "
           "colour on average. ";
}

std::string introduction(const std::vector<PreviewEntry>& entries, const PreviewPageState& state) {
    std::string text = "<p>";
    if (state.watching) {
        text += "The run follows the folder: each skin saved is converted and shown here; "
                "this page reloads itself every few seconds. ";
    } else if (!state.finished) {
        text += "The run is under way; this page is written again when it ends. ";
    }
    if (state.dryRun) {
        text += "Dry run: this is what a conversion would give; the skins were left as they "
                "were. ";
    }
    text += ditherNote(state.dither);
    text += std::to_string(entries.size()) + (entries.size() == 1 ? " skin" : " skins") +
            ", those whose colours moved most first. " + escapeHtml(ui::DistancesExplained) +
            "</p>\n";
    return text;
}

std::string leftAloneList(const std::vector<ui::FileToLookAt>& files) {
    if (files.empty()) {
        return {};
    }
    std::string list = "<h2>Left alone</h2>\n<ul>\n";
    for (const ui::FileToLookAt& file : files) {
        list += "<li>" + escapeHtml(file.name) + " <span class=\"note\">(" + escapeHtml(file.why) +
                ")</span></li>\n";
    }
    return list + "</ul>\n";
}

} // namespace

std::string previewPage(std::vector<PreviewEntry> entries, const PreviewPageState& state) {
    std::sort(entries.begin(), entries.end(), shownBefore);
    // Without a script: the browser itself reloads a page that asks for it.
    std::string page = PageStart;
    page.replace(page.find(RefreshMark), std::strlen(RefreshMark),
                 state.watching ? "<meta http-equiv=\"refresh\" content=\"3\">\n" : "");
    page += introduction(entries, state);
    if (!entries.empty()) {
        page += "<table>\n<tr><th>Skin</th><th>Colour distance</th><th>Pictures</th></tr>\n";
        for (const PreviewEntry& entry : entries) {
            page += row(entry);
        }
        page += "</table>\n";
    }
    page += leftAloneList(state.leftAlone);
    return page + PageEnd;
}

std::string escapeHtml(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&#39;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string encodeUrlPath(const std::string& name) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                                (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                                byte == '_' || byte == '~' || byte == '/';
        if (unreserved) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += Hex[byte >> 4];
            encoded += Hex[byte & 0xF];
        }
    }
    return encoded;
}
