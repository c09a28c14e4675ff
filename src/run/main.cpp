// TOLM: analysis of the genetic structure of subdivided populations.
#include "core/runstate.h"
#include "run/tolm.h"

int main(int argc, char** argv) {
  tolm::RunState rs;
  return tolm::tolm_run(rs, argc, argv);
}
