// A screenshot (binary PPM) in screen coordinates, (0, 0) the bottom-left pixel:
//   screen_probe SHOT.ppm                       -> "WIDTH HEIGHT"
//   screen_probe SHOT.ppm CLASS X0 Y0 X1 Y1     -> "COUNT MINX MINY MAXX MAXY"
// CLASS: red or blue (shades of that alone), white, lit (not black); the
// rectangle is inclusive, pixels outside the picture match no class.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

static bool matches(const char* kind, const unsigned char* p) {
    if (std::strcmp(kind, "red") == 0) return p[0] > 100 && p[1] < 40 && p[2] < 40;
    if (std::strcmp(kind, "blue") == 0) return p[2] > 100 && p[0] < 40 && p[1] < 40;
    if (std::strcmp(kind, "white") == 0) return p[0] > 200 && p[1] > 200 && p[2] > 200;
    return std::strcmp(kind, "lit") == 0 && p[0] + p[1] + p[2] > 60;
}

int main(int argc, char** argv) {
    std::FILE* in = argc == 2 || argc == 7 ? std::fopen(argv[1], "rb") : nullptr;
    int width = 0, height = 0, maxValue = 0;
    // The one blank after the maximum value ends the header.
    const bool header = in != nullptr &&
                        std::fscanf(in, "P6 %d %d %d", &width, &height, &maxValue) == 3 &&
                        width > 0 && height > 0 && maxValue == 255 && std::fgetc(in) != EOF;
    std::vector<unsigned char> rgb(header ? size_t(width) * height * 3 : 0);
    const bool whole = header && std::fread(rgb.data(), 1, rgb.size(), in) == rgb.size();
    if (in != nullptr) std::fclose(in);
    if (!whole) {
        std::fprintf(stderr, "usage: screen_probe SHOT.ppm [red|blue|white|lit X0 Y0 X1 Y1]\n");
        return 2;
    }
    if (argc == 2) return std::printf("%d %d\n", width, height) < 0;
    const int x0 = std::atoi(argv[3]), y0 = std::atoi(argv[4]);
    const int x1 = std::atoi(argv[5]), y1 = std::atoi(argv[6]);
    int count = 0, minX = -1, minY = -1, maxX = -1, maxY = -1;
    for (int y = std::max(y0, 0); y <= y1 && y < height; ++y) {
        for (int x = std::max(x0, 0); x <= x1 && x < width; ++x) {
            // Rows are stored top row first.
            if (!matches(argv[2], &rgb[(size_t(height - 1 - y) * width + x) * 3])) continue;
            if (count++ == 0) minX = maxX = x, minY = y;
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            maxY = y;
        }
    }
    std::printf("%d %d %d %d %d\n", count, minX, minY, maxX, maxY);
    return 0;
}
