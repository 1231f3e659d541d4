// Writes the grid's four check-box icons (16 x 16, 24 bits, a 13 x 13 box in the top-left
// corner, the rest transparent) into the directory given as the only argument.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const int N = 16;     // icon size
const int BOX = 13;   // check box size

// The check mark, 7 x 7, placed at (3, 3) inside the box.
const char* const mark[7] = {
    "......X",
    ".....XX",
    "X...XXX",
    "XX.XXX.",
    "XXXXX..",
    ".XXX...",
    "..X....",
};

struct Rgb {
    unsigned char r, g, b;
};

void put16(std::vector<unsigned char>& v, unsigned x) {
    v.push_back(x & 0xFF);
    v.push_back((x >> 8) & 0xFF);
}

void put32(std::vector<unsigned char>& v, unsigned x) {
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}

bool writeIcon(const std::string& path, bool checked, bool readOnly) {
    const Rgb border = {0x70, 0x70, 0x70};
    const Rgb inside = readOnly ? Rgb{0xE0, 0xE0, 0xE0} : Rgb{0xFF, 0xFF, 0xFF};
    const Rgb tick = readOnly ? Rgb{0x80, 0x80, 0x80} : Rgb{0x00, 0x00, 0x00};

    Rgb px[N][N];
    bool opaque[N][N];
    for (int y = 0; y < N; y++) {
        for (int x = 0; x < N; x++) {
            bool in = x < BOX && y < BOX;
            opaque[y][x] = in;
            px[y][x] = Rgb{0, 0, 0};
            if (!in)
                continue;
            bool edge = x == 0 || y == 0 || x == BOX - 1 || y == BOX - 1;
            px[y][x] = edge ? border : inside;
            int mx = x - 3, my = y - 3;
            if (checked && mx >= 0 && mx < 7 && my >= 0 && my < 7 && mark[my][mx] == 'X')
                px[y][x] = tick;
        }
    }

    const int xorRow = N * 3;           // 48 bytes, already a multiple of 4
    const int andRow = 4;               // 16 bits padded to 32
    const int imageSize = 40 + N * xorRow + N * andRow;

    std::vector<unsigned char> f;
    put16(f, 0);  // reserved
    put16(f, 1);  // icon
    put16(f, 1);  // one image
    f.push_back(N);
    f.push_back(N);
    f.push_back(0);  // no palette
    f.push_back(0);
    put16(f, 1);   // planes
    put16(f, 24);  // bits per pixel
    put32(f, imageSize);
    put32(f, 6 + 16);  // offset of the image

    put32(f, 40);
    put32(f, N);
    put32(f, N * 2);  // colour and mask bitmaps
    put16(f, 1);
    put16(f, 24);
    put32(f, 0);  // no compression
    put32(f, 0);
    put32(f, 0);
    put32(f, 0);
    put32(f, 0);
    put32(f, 0);

    for (int y = N - 1; y >= 0; y--) {  // bottom-up
        for (int x = 0; x < N; x++) {
            f.push_back(px[y][x].b);
            f.push_back(px[y][x].g);
            f.push_back(px[y][x].r);
        }
    }
    for (int y = N - 1; y >= 0; y--) {
        unsigned bits = 0;  // 1 = transparent, most significant bit first
        for (int x = 0; x < N; x++) {
            if (!opaque[y][x])
                bits |= 0x8000u >> x;
        }
        f.push_back((bits >> 8) & 0xFF);
        f.push_back(bits & 0xFF);
        f.push_back(0);
        f.push_back(0);
    }

    FILE* out = fopen(path.c_str(), "wb");
    if (!out)
        return false;
    bool ok = fwrite(f.data(), 1, f.size(), out) == f.size();
    return fclose(out) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: mkgridicons DIR\n");
        return 2;
    }
    std::string dir = argv[1];
    bool ok = writeIcon(dir + "/cbon.ico", true, false) && writeIcon(dir + "/cboff.ico", false, false) &&
              writeIcon(dir + "/cbonro.ico", true, true) && writeIcon(dir + "/cboffro.ico", false, true);
    if (!ok) {
        fprintf(stderr, "mkgridicons: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
