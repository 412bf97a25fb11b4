#include "bench/sample_images.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace bench {

namespace {

std::uint8_t level(double value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
}

} // namespace

std::vector<std::uint8_t> photoPixels(int width, int height) {
    std::mt19937 random(1);
    std::normal_distribution<double> grain(0.0, 6.0);
    std::vector<std::uint8_t> pixels;
    pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double u = x * 6.0 / width;
            const double v = y * 6.0 / height;
            const double light = 0.5 + 0.5 * std::sin(u) * std::cos(v * 0.7);
            pixels.push_back(level(255 * light * (0.4 + 0.3 * std::cos(u + v)) + grain(random)));
            pixels.push_back(level(255 * light * (0.6 + 0.2 * std::sin(v)) + grain(random)));
            pixels.push_back(level(255 * light + grain(random)));
        }
    }
    return pixels;
}

std::vector<std::uint8_t> artworkPixels(int width, int height) {
    static constexpr std::uint8_t inks[][3] = {{250, 250, 250}, {30, 30, 40},   {200, 60, 40},
                                               {40, 120, 200},  {240, 200, 60}, {90, 160, 80}};
    std::vector<std::uint8_t> pixels;
    pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int dx = x - width / 2;
            const int dy = y - height / 2;
            const int ring = static_cast<int>(std::sqrt(dx * dx + dy * dy)) / 40;
            const std::uint8_t* ink = inks[(ring + (x / 97 + y / 131) % 2) % 6];
            pixels.insert(pixels.end(), {ink[0], ink[1], ink[2]});
        }
    }
    return pixels;
}

std::vector<std::uint8_t> noisePixels(int width, int height) {
    std::mt19937 random(2);
    std::uniform_int_distribution<int> level(0, 255);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) *
                                     static_cast<std::size_t>(height) * 3);
    for (std::uint8_t& byte : pixels) {
        byte = static_cast<std::uint8_t>(level(random));
    }
    return pixels;
}

PalettePtr gamePalette() {
    static constexpr double hues[][3] = {{1.0, 0.9, 0.8}, {1.0, 0.3, 0.2}, {0.3, 0.8, 0.3},
                                         {0.3, 0.5, 1.0}, {1.0, 0.8, 0.2}, {0.6, 0.4, 0.2},
                                         {0.7, 0.3, 0.8}, {0.5, 0.5, 0.5}};
    PalettePtr palette(Palette::create());
    for (int i = 0; i < PaletteSize; ++i) {
        const double* hue = hues[i / 32];
        const double brightness = 8.0 + (i % 32) * 7.7;
        palette->colors()[i] = {level(hue[0] * brightness), level(hue[1] * brightness),
                                level(hue[2] * brightness), 0};
    }
    palette->matchMask.setRange(0, 254);
    return palette;
}

} // namespace bench
