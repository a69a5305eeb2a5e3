#pragma once

namespace ferulo::database {

// The reader, given the arguments ferulo-mdb-reader takes (argv[0] its name,
// see reader_protocol.h): sets its own limits, answers on the answer
// descriptor and returns the exit status. It expects to be alone in its
// process: ferulo-mdb-reader's main, or a child forked for one question.
int ReaderMain(int argc, char** argv);

}  // namespace ferulo::database
