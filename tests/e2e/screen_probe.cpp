// Answers questions about a screenshot (binary PPM) for the end-to-end
// scripts, in the game's screen coordinates: x to the right, y up, (0, 0) the
// bottom-left pixel; rectangles are inclusive.
//
//   screen_probe size SHOT.ppm                     -> "WIDTH HEIGHT"
//   screen_probe find SHOT.ppm CLASS X0 Y0 X1 Y1   -> "COUNT MINX MINY MAXX MAXY"
//   screen_probe diff A.ppm B.ppm X0 Y0 X1 Y1      -> "COUNT" of differing pixels
//
// CLASS: red (text and red-only shades), white, lit (anything not black).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;  // top row first, as stored

    const unsigned char* at(int x, int y) const {
        static const unsigned char black[3] = {0, 0, 0};
        if (x < 0 || y < 0 || x >= width || y >= height) return black;
        return &rgb[(size_t(height - 1 - y) * width + x) * 3];
    }
};

// Skips blanks and comments between the header fields.
bool readNumber(std::istream& in, int& value) {
    for (;;) {
        const int c = in.peek();
        if (c == '#') {
            std::string comment;
            std::getline(in, comment);
        } else if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
            in.get();
        } else {
            break;
        }
    }
    return static_cast<bool>(in >> value);
}

bool load(const char* path, Picture& picture) {
    std::ifstream in(path, std::ios::binary);
    char magic[2] = {};
    int maxValue = 0;
    if (!in.read(magic, 2) || magic[0] != 'P' || magic[1] != '6') return false;
    if (!readNumber(in, picture.width) || !readNumber(in, picture.height) || !readNumber(in, maxValue)) {
        return false;
    }
    if (picture.width <= 0 || picture.height <= 0 || maxValue != 255) return false;
    in.get();  // the one blank before the samples
    picture.rgb.resize(size_t(picture.width) * picture.height * 3);
    return static_cast<bool>(in.read(reinterpret_cast<char*>(picture.rgb.data()), picture.rgb.size()));
}

bool matches(const std::string& kind, const unsigned char* p) {
    if (kind == "red") return p[0] > 100 && p[1] < 40 && p[2] < 40;
    if (kind == "white") return p[0] > 200 && p[1] > 200 && p[2] > 200;
    if (kind == "lit") return p[0] + p[1] + p[2] > 60;
    std::fprintf(stderr, "screen_probe: unknown class %s\n", kind.c_str());
    std::exit(2);
}

int usage() {
    std::fprintf(stderr,
                 "usage: screen_probe size SHOT | find SHOT CLASS X0 Y0 X1 Y1 | diff A B X0 Y0 X1 Y1\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    const std::string command = argv[1];
    Picture first;
    if (!load(argv[2], first)) {
        std::fprintf(stderr, "screen_probe: cannot read %s\n", argv[2]);
        return 1;
    }
    if (command == "size" && argc == 3) {
        std::printf("%d %d\n", first.width, first.height);
        return 0;
    }
    if (argc != 8) return usage();
    const int x0 = std::atoi(argv[4]);
    const int y0 = std::atoi(argv[5]);
    const int x1 = std::atoi(argv[6]);
    const int y1 = std::atoi(argv[7]);
    if (command == "find") {
        int count = 0;
        int minX = -1, minY = -1, maxX = -1, maxY = -1;
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                if (!matches(argv[3], first.at(x, y))) continue;
                if (count == 0 || x < minX) minX = x;
                if (count == 0 || y < minY) minY = y;
                if (x > maxX) maxX = x;
                if (y > maxY) maxY = y;
                ++count;
            }
        }
        std::printf("%d %d %d %d %d\n", count, minX, minY, maxX, maxY);
        return 0;
    }
    if (command == "diff") {
        Picture second;
        if (!load(argv[3], second)) {
            std::fprintf(stderr, "screen_probe: cannot read %s\n", argv[3]);
            return 1;
        }
        int count = 0;
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                if (std::memcmp(first.at(x, y), second.at(x, y), 3) != 0) ++count;
            }
        }
        std::printf("%d\n", count);
        return 0;
    }
    return usage();
}
