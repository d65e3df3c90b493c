#include "view/scene_file.h"

#include <QImageWriter>
#include <QString>

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
  const QImage image = RenderScene(s, width, height, toggles);
  QImageWriter writer(QString::fromStdString(path), "png");
  if (!writer.write(image)) {
    if (error != nullptr)
      *error = "не удалось записать файл " + path + ": " + writer.errorString().toStdString();
    return false;
  }
  return true;
}

}  // namespace ltr
