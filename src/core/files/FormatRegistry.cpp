#include "core/files/FormatRegistry.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <mutex>

#include "core/files/FileRoutes.h"
#include "core/files/SafeFile.h"
#include "core/base/Errors.h"

namespace velinor {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool LessNoCase(const std::string& a, const std::string& b) { return Lower(a) < Lower(b); }

void ReplaceAll(std::string& s, const std::string& from, const std::string& to) {
  for (size_t pos = s.find(from); pos != std::string::npos; pos = s.find(from, pos + to.size()))
    s.replace(pos, from.size(), to);
}

}  // namespace

TFileFormatList::TClassEntry* TFileFormatList::FindClass(const std::string& graphicClass) {
  for (auto& c : classes_)
    if (c.GraphicClass == graphicClass) return &c;
  return nullptr;
}

void TFileFormatList::DropExtensionAt(size_t index) {
  const std::string cls = extensions_[index].GraphicClass;
  mirror_.erase(Lower(extensions_[index].Extension));
  extensions_.erase(extensions_.begin() + static_cast<std::ptrdiff_t>(index));
  if (TClassEntry* c = FindClass(cls); c && --c->Count <= 0)
    classes_.erase(classes_.begin() + (c - classes_.data()));
}

void TFileFormatList::Register(const std::string& extension, const std::string& description,
                               int formatTypes, const std::string& graphicClass, bool replace) {
  const std::string key = Lower(extension);
  for (size_t i = 0; i < extensions_.size(); ++i) {
    if (Lower(extensions_[i].Extension) != key) continue;
    if (!replace) {
      char text[200];
      std::snprintf(text, sizeof text, "Attempt to register %s twice.", extension.c_str());
      throw EVelinorError(text);
    }
    DropExtensionAt(i);
    break;
  }
  TClassEntry* c = FindClass(graphicClass);
  if (!c) {
    classes_.push_back(TClassEntry{graphicClass, description, 0});
    c = &classes_.back();
  } else if (c->Description.empty()) {
    c->Description = description;
  }
  ++c->Count;
  extensions_.push_back(TExtensionEntry{extension, description, formatTypes, graphicClass});
  mirror_[key] = graphicClass;
}

void TFileFormatList::RegisterExtra(const std::string& extension, const std::string& description,
                                    int formatTypes, const std::string& graphicClass) {
  Register(extension, description, formatTypes, graphicClass);
  FindClass(graphicClass)->Extra = true;
}

void TFileFormatList::UnregisterClass(const std::string& graphicClass) {
  for (size_t i = extensions_.size(); i-- > 0;)
    if (extensions_[i].GraphicClass == graphicClass) DropExtensionAt(i);
  if (TClassEntry* c = FindClass(graphicClass)) classes_.erase(classes_.begin() + (c - classes_.data()));
}

std::string TFileFormatList::ClassOf(const std::string& extension) const {
  const auto it = mirror_.find(Lower(extension));
  return it == mirror_.end() ? std::string() : it->second;
}

std::vector<std::string> TFileFormatList::ExtensionsOf(const std::string& graphicClass) const {
  std::vector<std::string> out;
  for (const auto& e : extensions_)
    if (e.GraphicClass == graphicClass) out.push_back(e.Extension);
  return out;
}

std::string TFileFormatList::GraphicFilter() const {
  // The classic classes, then today's, each group in description order.
  std::vector<const TClassEntry*> order, extra;
  for (const auto& c : classes_) (c.Extra ? extra : order).push_back(&c);
  const auto byDescription = [](const TClassEntry* a, const TClassEntry* b) {
    return LessNoCase(a->Description, b->Description);
  };
  std::stable_sort(order.begin(), order.end(), byDescription);
  std::stable_sort(extra.begin(), extra.end(), byDescription);
  order.insert(order.end(), extra.begin(), extra.end());
  std::string filter;
  for (const TClassEntry* c : order) {
    std::vector<std::string> exts = ExtensionsOf(c->GraphicClass);
    if (exts.empty()) continue;
    std::stable_sort(exts.begin(), exts.end(), LessNoCase);
    std::string joined;
    for (const auto& e : exts) joined += (joined.empty() ? "*." : "; *.") + e;
    filter += c->Description + " (" + joined + ")|" + joined + "|";
  }
  if (!filter.empty()) filter.pop_back();
  return filter;
}

namespace {

// The registry's own readers, registered when it is created.
void RegisterOwnReaders(TFileFormatList& r) {
  r.Register("bmp", "BMP", ftRaster, "TBitmap");
  r.Register("rle", "BMP", ftRaster, "TBitmap");
  r.Register("dib", "BMP", ftRaster, "TBitmap");
  r.Register("ico", "Icône", ftRaster, "TIcon");
  r.Register("wmf", "Metafile", ftVector, "TMetafile");
  r.Register("emf", "Metafile", ftVector, "TMetafile");
  for (const char* e : {"jfif", "jpg", "jpe", "jpeg"}) r.Register(e, "JPEG", ftRaster, "TJPEGImage");
  for (const char* e : {"win", "vst", "vda", "tga", "icb"}) r.Register(e, "Targa", ftRaster, "TTargaGraphic");
  for (const char* e : {"pcx", "pcc", "scr"}) r.Register(e, "Paintbrush", ftRaster, "TPCXGraphic");
  for (const char* e : {"rpf", "rla"}) r.Register(e, "Alias/Wavefront", ftRaster, "TRLAGraphic");
  for (const char* e : {"sgi", "rgba", "rgb", "bw"}) r.Register(e, "SGI", ftRaster, "TSGIGraphic");
  for (const char* e : {"psd", "pdd"}) r.Register(e, "Photoshop", ftRaster | ftLayered, "TPSDGraphic");
  for (const char* e : {"ppm", "pgm", "pbm"}) r.Register(e, "Portable map", ftRaster, "TPPMGraphic");
  for (const char* e : {"cel", "pic"}) r.Register(e, "Autodesk", ftRaster, "TAutodeskGraphic");
  r.Register("pcd", "Photo-CD", ftRaster, "TPCDGraphic");
  r.Register("cut", "Dr. Halo", ftRaster, "TCUTGraphic");
  for (const char* e : {"psp", "tub"}) r.Register(e, "Paintshop Pro", ftRaster | ftVector, "TPSPGraphic");
}

std::vector<TSaveFormat>& SaveTable() {
  static std::vector<TSaveFormat> table;
  return table;
}

}  // namespace

TFileFormatList& FileFormatList() {
  static TFileFormatList* list = [] {
    auto* r = new TFileFormatList;
    RegisterOwnReaders(*r);
    return r;
  }();
  return *list;
}

const std::vector<TSaveFormat>& SaveFormats() { return SaveTable(); }

void AddSaveFormat(const std::string& extensions, const std::string& description) {
  SaveTable().push_back(TSaveFormat{extensions.substr(0, 40), description.substr(0, 100)});
}

void InitImageFiles() {
  static std::once_flag once;
  std::call_once(once, [] {
    AddSaveFormat(".bmp", "BMP");
    AddSaveFormat(".gif", "GIF");
    AddSaveFormat(".jpg;.jpeg;.jpe;.jfif", "JPEG");
    AddSaveFormat(".ovi", "Quillorvane");
    AddSaveFormat(".png", "PNG");
    AddSaveFormat(".rle", "RLE");
    AddSaveFormat(".tga", "Targa");
    AddSaveFormat(".tif;.tiff", "TIFF");
    TFileFormatList& r = FileFormatList();
    r.Register("gif", "GIF", ftAnimation | ftMultiImage | ftRaster, "TGIFImage");
    r.Register("ovi", "Quillorvane Image", ftLayered | ftRaster, "TMyImageLayeredReg");
    r.Register("ovs", "Quillorvane Sélection", ftRaster, "TOvsImage");
    r.Register("tiff", "TIFF", ftMultiImage | ftRaster, "TTiffImage");
    for (const char* e : {"tif", "fax", "tf8", "btf"}) r.Register(e, "", ftMultiImage | ftRaster, "TTiffImage");
    r.Register("png", "PNG", ftRaster, "TPngImage");
    // Formats that bring their own extensions with their route.
    for (const TFileRoute& row : FileRoutes()) {
      const TRowRegistration& add = row.Registration;
      if (add.Extensions)
        for (const std::string& ext : SplitList(add.Extensions))
          r.RegisterExtra(ext, add.Description ? add.Description : "", add.FormatTypes, row.RegistryClass);
      if (add.SaveExtensions && row.Write) AddSaveFormat(add.SaveExtensions, add.Description ? add.Description : row.Name);
    }
  });
}

void MainWindowRegisterFormats() {
  static std::once_flag once;
  std::call_once(once, [] {
    TFileFormatList& r = FileFormatList();
    r.UnregisterClass("TIcon");
    r.Register("ico", "Icon", ftRaster, "TIcon");
    r.UnregisterClass("TOvsImage");
    r.Register("ovs", "Quillorvane Selection", ftRaster, "TOvsImage");
  });
}

void StartImageFiles() {
  InitImageFiles();
  MainWindowRegisterFormats();
}

void DoneImageFiles() {
  TFileFormatList& r = FileFormatList();
  for (const char* c : {"TGIFImage", "TMyImageLayeredReg", "TOvsImage", "TTiffImage"}) r.UnregisterClass(c);
}

std::string CommonImagesExtra() {
  std::string extra;
  for (const TFileRoute& row : FileRoutes())
    if (row.Registration.Common && row.Registration.Extensions)
      for (const std::string& ext : SplitList(row.Registration.Extensions))
        if (FileFormatList().Knows(ext)) extra += ";*." + ext;
  return extra;
}

std::string BuildOpenFilter() {
  std::string compact = FileFormatList().GraphicFilter();
  ReplaceAll(compact, "; *", ";*");
  return "Common images|*.png;*.jpg;*.jpeg;*.tif;*.tiff;*.tga;*.bmp;*.gif;*.ovi" + CommonImagesExtra() +
         "|All images|*.*|" + compact;
}

std::vector<std::string> SplitList(std::string_view list) {
  std::vector<std::string> out;
  for (size_t start = 0; start < list.size();) {
    const size_t end = std::min(list.find(';', start), list.size());
    if (end > start) out.emplace_back(list.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

std::string BuildSaveFilter() {
  std::string filter;
  for (const TSaveFormat& row : SaveFormats()) {
    std::string list = row.Extensions;
    ReplaceAll(list, ".", "*.");
    if (!filter.empty()) filter += "|";
    filter += row.Description + " (" + list + ")|" + list;
  }
  return filter;
}

int FindSaveFilterIndex(const std::string& fileName) {
  const std::string ext = LowerExtension(fileName);
  if (ext.empty()) return -1;
  const auto& rows = SaveFormats();
  for (size_t i = rows.size(); i-- > 0;)
    if (rows[i].Extensions.find(ext) != std::string::npos) return static_cast<int>(i);
  return -1;
}

std::string JpegExtensionList() {
  std::string list;
  for (const auto& e : FileFormatList().ExtensionsOf("TJPEGImage")) list += (list.empty() ? "." : ";.") + Lower(e);
  return list;
}

}  // namespace velinor
