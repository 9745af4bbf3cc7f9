#pragma once
// The constants of the colour-keep recipe, in one place for both ways of computing
// it: the reference written with the general mask operations (KeepColors.h,
// ScanAndShape) and the fast path on bit planes (detail/).
namespace velinor {

struct TKeepRecipe {
  // Clean-up of the raw mask: the box average of the 3 x 3 window, then the
  // threshold at this level (black at or below it, white above).
  static constexpr int BoxRadius = 1;
  static constexpr int ThresholdLevel = 200;

  // Progressive contour: square erosion by this radius (MorphMask with its
  // negative), then the Gaussian blur of this sigma.
  static constexpr int ProgressiveErosion = 3;
  static constexpr double ContourSigma = 3;

  // Plain contour: cross erosion (MorphMask -1), then ramps on the steps shorter
  // than this many pixels (SmoothMaskSteps' longest run).
  static constexpr int PlainErosion = 1;
  static constexpr int LongestRamp = 33;

  // The clean-up as a vote. On a black-and-white mask the box average of a window
  // holding k black samples is the grey (N - k) * 255 div N (N samples, clamped
  // coordinates counting as often as they are read), and the threshold keeps it
  // black when its Luminance is at most the level. A neutral grey g has the
  // Luminance g or g - 1 (the weights sum to one; the extended evaluation may land
  // just below), so a pixel ends black exactly when at least VoteCount samples
  // were black, provided the grey of one sample fewer stays above the level even
  // one lower.
  static constexpr int WindowSamples = (2 * BoxRadius + 1) * (2 * BoxRadius + 1);
  static constexpr int BoxGrey(int blackSamples) {
    return (WindowSamples - blackSamples) * 255 / WindowSamples;
  }
  static constexpr int VoteCount = [] {
    int k = 0;  // the fewest black samples whose box grey the threshold keeps black
    while (k < WindowSamples && (WindowSamples - k) * 255 / WindowSamples > ThresholdLevel) ++k;
    return k;
  }();
};

static_assert(TKeepRecipe::VoteCount > 0 &&
                  TKeepRecipe::BoxGrey(TKeepRecipe::VoteCount) <= TKeepRecipe::ThresholdLevel &&
                  TKeepRecipe::BoxGrey(TKeepRecipe::VoteCount - 1) - 1 > TKeepRecipe::ThresholdLevel,
              "the vote must not depend on how the threshold rounds the box grey");

}  // namespace velinor
