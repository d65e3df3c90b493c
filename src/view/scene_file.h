#pragma once
// The picture of a model state as an image or a PNG file, for use without a
// window. Text (the tick labels) needs a running QGuiApplication; without one
// the picture is drawn without its labels.

#include <QImage>
#include <string>

#include "model/model_state.h"
#include "view/scene_renderer.h"

namespace ltr {

// The full redraw of s in a paint box of the given size with the initial view.
QImage RenderScene(const TModelState& s, int width, int height, const TDrawToggles& toggles = {});

// An image as the bytes of a PNG file. False with the reason (in Russian) when
// it is empty or cannot be encoded.
bool EncodePng(const QImage& image, std::string& png, std::string* reason);

// An image written as a PNG file through a temporary file, so that a failed
// write leaves an existing file whole. False with the reason (in Russian).
bool SaveImagePng(const QImage& image, const std::string& path, std::string* error);

// The picture of RenderScene written as a PNG file. False when the size is not
// positive or the file cannot be written; *error then says why (in Russian).
bool SaveScenePng(const TModelState& s, const std::string& path, int width, int height,
                  const TDrawToggles& toggles, std::string* error);

}  // namespace ltr
