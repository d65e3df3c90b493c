#include "view/scene_file.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageWriter>
#include <QString>
#include <cstdint>

#include "io/file_access.h"
#include "view/view_transform.h"

namespace ltr {

QImage RenderScene(const TModelState& s, int width, int height, const TDrawToggles& toggles) {
  TViewState view;
  SetInitialView(view, height);
  TSceneRenderer renderer;
  renderer.FullRedraw(s, width, height, view, toggles);
  return renderer.SceneBitmap;
}

bool SaveScenePng(const TModelState& s, const std::string& path, int width, int height,
                  const TDrawToggles& toggles, std::string* error) {
  if (width <= 0 || height <= 0) {
    if (error != nullptr) *error = "размер рисунка должен быть положительным";
    return false;
  }
  return SaveImagePng(RenderScene(s, width, height, toggles), path, error);
}

bool EncodePng(const QImage& image, std::string& png, std::string* reason) {
  if (image.isNull()) {
    if (reason != nullptr) *reason = "рисунок пуст";
    return false;
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  if (!writer.write(image)) {
    if (reason != nullptr) *reason = writer.errorString().toStdString();
    return false;
  }
  buffer.close();
  png.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  return true;
}

bool SaveImagePng(const QImage& image, const std::string& path, std::string* error) {
  if (image.isNull()) {
    if (error != nullptr) *error = "рисунок пуст";
    return false;
  }
  // The picture is encoded in memory and then written as the vortex files
  // are, so that a failed or interrupted write leaves an existing file whole.
  std::string bytes;
  std::string reason;
  if (!EncodePng(image, bytes, &reason)) {
    if (error != nullptr) *error = "не удалось записать файл " + path + ": " + reason;
    return false;
  }
  if (!ReplaceFileContents(path, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), reason)) {
    if (error != nullptr) *error = "не удалось записать файл " + path + ": " + reason;
    return false;
  }
  return true;
}

}  // namespace ltr
