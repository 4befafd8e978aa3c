// Writes "written" to the path it is given, as the program's save does; for tracing the write.
#include "platform/files/files.h"

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    return quelvo::files::writeFile(quelvo::Text::fromUtf8(argv[1]), std::string_view("written"))
               ? 0
               : 1;
}
