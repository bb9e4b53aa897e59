#include <unistd.h>

#include "driver/run.h"

int main(int argc, char** argv) {
    vesk::Output out(STDOUT_FILENO, true);
    vesk::Output err(STDERR_FILENO, false);
    return vesk::execute(argc, argv, out, err);
}
