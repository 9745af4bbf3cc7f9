#pragma once
// Thread count of the raster loops. Results never depend on it: every parallel
// loop splits work into independent rows or blocks.
namespace velinor {

// 0 means every core.
void SetEngineThreads(int count);
int EngineThreads();

}  // namespace velinor
