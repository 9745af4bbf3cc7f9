#pragma once
// The layered document as the save dispatch sees it: a format object the hook can
// recognise, writing itself in the layered format.
#include <string>

#include "files/ImageDispatch.h"
#include "view/LayeredImage.h"

namespace velinor {

class TLayeredGraphic : public ILayeredDocument {
 public:
  explicit TLayeredGraphic(TMyImageLayered& document) : document_(document) {}
  std::string ClassName() const override { return "TMyImageLayered"; }
  void SaveLayeredFile(const std::string& fileName) override { document_.SaveLayeredFile(fileName); }

 private:
  TMyImageLayered& document_;
};

}  // namespace velinor
