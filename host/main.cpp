// The process entry point, kept in a library of its own so that test
// programs can link the host without it.
#include "host/vantorgame.h"

int main(int argc_, char* argv_[]) {
    BBVantorGame::Main(argc_, const_cast<const char**>(argv_));
    return 0;
}
