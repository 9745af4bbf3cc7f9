#include "Parallel.h"

#include <omp.h>

namespace velinor {

namespace {
int g_threads = 0;
}

void SetEngineThreads(int count) {
  g_threads = count < 0 ? 0 : count;
  omp_set_num_threads(g_threads > 0 ? g_threads : omp_get_num_procs());
}

int EngineThreads() { return g_threads > 0 ? g_threads : omp_get_num_procs(); }

}  // namespace velinor
