#pragma once
// Which scroll bars a scrolled view shows for a content extent, and the client
// size that remains. A bar shows only when its range exceeds the client extent;
// showing one bar narrows the other dimension, which may call for the other bar.
namespace velinor {

struct TScrollLayout {
  bool HorzVisible = false;
  bool VertVisible = false;
  int ClientWidth = 0;   // area left for the content
  int ClientHeight = 0;
  int HorzMax = 0;       // largest scroll position (0 when hidden)
  int VertMax = 0;
};

// areaWidth/areaHeight: the inside of the frame with no bar; rangeX/rangeY: the
// scroll ranges; barWidth: a vertical bar's width; barHeight: a horizontal bar's height.
TScrollLayout ComputeScrollLayout(int areaWidth, int areaHeight, int rangeX, int rangeY,
                                  int barWidth, int barHeight);

}  // namespace velinor
