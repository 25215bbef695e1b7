#include "irsignal/show/waveform_svg.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

#include "irsignal/output/signal_text.h"
#include "irsignal/signal/signal_frames.h"
#include "ostrel/codec/kernel_limits.h"
#include "ostrel/codec/text_scanning.h"

namespace irsignal {

namespace {

// The picture's layout, in pixels.
constexpr double left = 50;
constexpr double right = 40;
constexpr double headingY = 22;
constexpr double labelY = 48;
constexpr double waveTop = 58;
constexpr double waveHeight = 50;
constexpr double axisY = 124;
constexpr double tickLabelY = 142;
constexpr double height = 160;
constexpr double widthWanted = 1600;  // the waveform's width for a usual signal
constexpr double fewestPixelsPerMs = 2;
constexpr double mostPixelsPerMs = 200;
constexpr double fewestPixelsPerTick = 70;

// Microseconds as milliseconds, exactly: "9", "0.56", "1.125".
std::string ms(uint64_t microseconds) {
    std::string text = std::to_string(microseconds / 1000);
    uint64_t fraction = microseconds % 1000;
    if (fraction != 0) {
        std::string digits = std::to_string(fraction);
        digits.insert(0, 3 - digits.size(), '0');
        digits.erase(digits.find_last_not_of('0') + 1);
        text += "." + digits;
    }
    return text;
}

std::string px(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

// A stretch of the axis without a break: drawn from drawnStart, showing the
// time from trueStart, both in microseconds.
struct Segment {
    uint64_t drawnStart = 0;
    uint64_t drawnEnd = 0;
    uint64_t trueStart = 0;
};

// A gap drawn shortened: where it is drawn and how long it is.
struct Break {
    uint64_t drawnStart = 0;
    uint32_t length = 0;
};

// The tick step, in microseconds, that leaves room for a label.
uint64_t tickStep(double pixelsPerMs) {
    for (uint64_t step : {100, 200, 500, 1000, 2000, 5000, 10000, 20000, 50000, 100000, 200000,
                          500000, 1000000, 2000000, 5000000, 10000000}) {
        if (static_cast<double>(step) / 1000 * pixelsPerMs >= fewestPixelsPerTick) {
            return step;
        }
    }
    return 60000000;
}

}  // namespace

std::string waveformSvg(const CatalogEntry& entry, std::string_view shownName) {
    std::span<const uint32_t> durations = entry.signal.durations;

    // Where each pulse is drawn; spaces longer than longestGapDrawn shortened.
    std::vector<uint64_t> pulseStarts;
    std::vector<Segment> segments(1);
    std::vector<Break> breaks;
    uint64_t drawn = 0;
    uint64_t time = 0;
    for (size_t i = 0; i < durations.size(); ++i) {
        if (i % 2 == 0) {
            pulseStarts.push_back(drawn);
            drawn += durations[i];
        } else if (durations[i] > longestGapDrawn) {
            segments.back().drawnEnd = drawn;
            breaks.push_back({drawn, durations[i]});
            drawn += shortenedGapWidth;
            segments.push_back({drawn, drawn, time + durations[i]});
        } else {
            drawn += durations[i];
        }
        time += durations[i];
    }
    segments.back().drawnEnd = drawn;

    double drawnMs = std::max<double>(static_cast<double>(drawn) / 1000, 0.001);
    double scale = std::clamp(widthWanted / drawnMs, fewestPixelsPerMs, mostPixelsPerMs);
    double width = left + drawnMs * scale + right;
    auto at = [scale](uint64_t drawnMicroseconds) {
        return left + static_cast<double>(drawnMicroseconds) / 1000 * scale;
    };

    std::optional<std::string> decoded = decodedText(durations);
    std::string title = decoded ? *decoded : std::string(shownName);
    std::string heading = std::string(shownName) + ": " + ostrel::text::printable(entry.form) +
                          ", " + (decoded ? *decoded : "no protocol") + ", " +
                          carrierText(entry.signal) + ", " +
                          millisecondsText(ostrel::totalMicroseconds(entry.signal)) + " in all";

    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + px(width) + "\" height=\"" +
           px(height) + "\" viewBox=\"0 0 " + px(width) + " " + px(height) +
           "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    svg += "<title>" + escaped(title) + "</title>\n";
    svg += "<desc>" + escaped(heading) + ". Time axis in milliseconds; each pulse a rect, x its "
           "start and width its duration in ms; gaps over " + ms(longestGapDrawn) +
           " ms drawn " + ms(shortenedGapWidth) + " ms wide.</desc>\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    svg += "<text x=\"" + px(left) + "\" y=\"" + px(headingY) + "\" font-size=\"14\">" +
           escaped(heading) + "</text>\n";

    // What each frame decodes as, over its start.
    std::vector<FrameSpan> frames = splitFrames(durations, entry.frames);
    for (size_t f = 0; f < frames.size(); ++f) {
        std::optional<std::string> code = decodedText(durations.subspan(frames[f].first, frames[f].count));
        svg += "<text x=\"" + px(at(pulseStarts[frames[f].first / 2])) + "\" y=\"" + px(labelY) +
               "\" fill=\"#444\">frame " + std::to_string(f + 1) + ": " +
               escaped(code.value_or("no protocol")) + "</text>\n";
    }

    // The pulses, in milliseconds on the drawn axis.
    svg += "<g class=\"pulses\" fill=\"#1f5fbf\" transform=\"translate(" + px(left) + " " +
           px(waveTop) + ") scale(" + std::to_string(scale) + " 1)\">\n";
    for (size_t p = 0; p < pulseStarts.size(); ++p) {
        svg += "<rect x=\"" + ms(pulseStarts[p]) + "\" y=\"0\" width=\"" + ms(durations[2 * p]) +
               "\" height=\"" + px(waveHeight) + "\"/>\n";
    }
    svg += "</g>\n";

    // The low level and the axis, broken at each shortened gap.
    svg += "<g stroke=\"#000\" stroke-width=\"1\" fill=\"none\">\n";
    for (const Segment& s : segments) {
        svg += "<line x1=\"" + px(at(s.drawnStart)) + "\" y1=\"" + px(waveTop + waveHeight) +
               "\" x2=\"" + px(at(s.drawnEnd)) + "\" y2=\"" + px(waveTop + waveHeight) + "\" stroke=\"#888\"/>\n";
        svg += "<line x1=\"" + px(at(s.drawnStart)) + "\" y1=\"" + px(axisY) + "\" x2=\"" +
               px(at(s.drawnEnd)) + "\" y2=\"" + px(axisY) + "\"/>\n";
    }
    for (const Break& b : breaks) {
        // Two slanted strokes across the axis and the low level: a break.
        for (double y : {waveTop + waveHeight, axisY}) {
            for (uint64_t x : {b.drawnStart + shortenedGapWidth / 3, b.drawnStart + 2 * shortenedGapWidth / 3}) {
                svg += "<line x1=\"" + px(at(x) - 3) + "\" y1=\"" + px(y + 6) + "\" x2=\"" +
                       px(at(x) + 3) + "\" y2=\"" + px(y - 6) + "\"/>\n";
            }
        }
    }
    svg += "</g>\n";

    // Each shortened gap's length, over it.
    for (const Break& b : breaks) {
        svg += "<text class=\"gap\" x=\"" + px(at(b.drawnStart + shortenedGapWidth / 2)) + "\" y=\"" +
               px(waveTop + waveHeight - 8) + "\" text-anchor=\"middle\" fill=\"#b00\">" +
               ms(b.length) + " ms</text>\n";
    }

    // Ticks at the true time, in each stretch of the axis.
    uint64_t step = tickStep(scale);
    svg += "<g class=\"axis\" text-anchor=\"middle\">\n";
    for (const Segment& s : segments) {
        uint64_t trueEnd = s.trueStart + (s.drawnEnd - s.drawnStart);
        for (uint64_t t = (s.trueStart + step - 1) / step * step; t <= trueEnd; t += step) {
            double x = at(s.drawnStart + (t - s.trueStart));
            svg += "<line x1=\"" + px(x) + "\" y1=\"" + px(axisY) + "\" x2=\"" + px(x) + "\" y2=\"" +
                   px(axisY + 5) + "\" stroke=\"#000\"/>\n";
            svg += "<text x=\"" + px(x) + "\" y=\"" + px(tickLabelY) + "\">" + ms(t) + "</text>\n";
        }
    }
    svg += "<text x=\"" + px(width - right / 2) + "\" y=\"" + px(tickLabelY) + "\">ms</text>\n";
    svg += "</g>\n";
    svg += "</svg>\n";
    return svg;
}

}  // namespace irsignal
