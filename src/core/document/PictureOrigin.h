#pragma once
// What the read of a picture's file learned that a later save of the picture
// hands on: whether the file's colour profile was converted to sRGB (the save
// then says sRGB), and the file whose camera data the save carries over.
#include <string>

namespace velinor {

struct TPictureOrigin {
  bool ProfileConverted = false;
  std::string SourceFile;
};

}  // namespace velinor
