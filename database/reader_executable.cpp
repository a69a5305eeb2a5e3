// ferulo-mdb-reader: the reader as a program of its own, for callers that
// start it rather than fork it (the window, which has threads).
#include "database/reader_main.h"

int main(int argc, char** argv) {
  return ferulo::database::ReaderMain(argc, argv);
}
