#include "main/Cli.h"

int main(int argc, char** argv) {
    return mebo::runMain(argc, argv);
}
