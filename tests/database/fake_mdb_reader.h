#pragma once

namespace ferulo::database::test {

// The stand-in reader: main() of ferulo-fake-mdb-reader, and the linked reader
// the tests fork.
int FakeMdbReaderMain(int argc, char** argv);

}  // namespace ferulo::database::test
