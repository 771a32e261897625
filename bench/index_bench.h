// The index subcommands of the benchmark program:
//   tk_bench index FILE EXPR   adds the tag NewIndex with EXPR (replacing one
//                              of that name) and selects it
//   tk_bench walk FILE         reads every record in NewIndex order
//   tk_bench seek FILE K       moves to position K of NewIndex order and reads
//                              50 records from there
//   tk_bench insert FILE N     appends N records to a table with NewIndex,
//                              keeping it current, each post on disk when it
//                              returns
//   tk_bench insert-bulk FILE N  the same as bulk work, on disk once at the end
#pragma once

namespace tkbench {

// Runs the subcommand named in argv[1] if it is one of these and returns the
// exit status; returns -1 for any other command. Engine errors pass through.
int runIndexBench(int argc, char** argv);

}  // namespace tkbench
