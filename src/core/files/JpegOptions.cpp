#include "core/files/JpegOptions.h"

#include "core/files/JpegUtils.h"

namespace velinor {

std::string CompressionLabel(int position) {
  return "Compression : " + std::to_string(JpegQualityFromPosition(position));
}

void JpegOptionsHook(IJpegOptionsDialog& dialog, TGraphic* graphic, const std::string&, TImageFileStep step,
                     bool& Continue) {
  if (step != ifBeforeSave) return;
  if (auto* lossy = dynamic_cast<TQualityGraphic*>(graphic)) {
    // WebP and AVIF take the dialog's quality (a lossless WebP asks nothing).
    if (!lossy->AskQuality) return;
    Continue = dialog.Execute();
    if (Continue) lossy->Quality = JpegQualityFromPosition(dialog.SliderPosition());
    return;
  }
  auto* jpeg = dynamic_cast<TJpegImage2*>(graphic);
  if (!jpeg) return;
  Continue = dialog.Execute();
  if (!Continue) return;
  jpeg->CompressionQuality = JpegQualityFromPosition(dialog.SliderPosition());
  jpeg->ProgressiveEncoding = dialog.Progressive();
}

}  // namespace velinor
