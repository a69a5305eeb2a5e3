#include "fake_mdb_reader.h"

int main(int argc, char** argv) {
  return ferulo::database::test::FakeMdbReaderMain(argc, argv);
}
