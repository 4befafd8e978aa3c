// Program entry.
#include "app/startup.h"

int main(int argc, char** argv) {
    return quelvo::app::run(argc, argv);
}
