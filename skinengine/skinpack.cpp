// Build tool: packs a Qt style sheet into a skin file (skinpack <in.qss> <out.she>).
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "skinengine/skinformat.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <style sheet> <skin file>\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "skinpack: cannot read %s\n", argv[1]);
        return 1;
    }
    std::string sheet((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!quelvo::skin::isValidUtf8(sheet) || sheet.size() > quelvo::skin::kMaxPayload) {
        std::fprintf(stderr, "skinpack: %s is not a UTF-8 style sheet of a skin's size\n", argv[1]);
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    const std::string packed = quelvo::skin::packSkin(sheet);
    out.write(packed.data(), static_cast<std::streamsize>(packed.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "skinpack: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
