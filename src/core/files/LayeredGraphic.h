#pragma once
// The layered document as the save dispatch sees it: a format object the hook can
// recognise, writing itself in the layered format.
#include <string>

#include "core/document/LayeredImage.h"
#include "core/files/Graphic.h"
#include "core/files/OvImage.h"

namespace velinor {

class TLayeredGraphic : public ILayeredDocument {
 public:
  explicit TLayeredGraphic(TMyImageLayered& document) : document_(document) {}
  std::string ClassName() const override { return "TMyImageLayered"; }
  void SaveLayeredFile(const std::string& fileName) override { WriteLayeredFile(document_, fileName); }

 private:
  TMyImageLayered& document_;
};

}  // namespace velinor
