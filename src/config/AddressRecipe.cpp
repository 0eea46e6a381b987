#include "config/AddressRecipe.h"

namespace AddressRecipe {

namespace {

struct ModelPaths
{
    const char *stream;
    const char *still;
    bool usesInput;
};

// The Axis 2400's still picture really is served by a "video.cgi".
ModelPaths paths(Model model)
{
    switch (model) {
    case Model::Axis2100:
        return {"/cgi-bin/mjpg/video.cgi?", "/cgi-bin/jpg/image.cgi?", false};
    case Model::Axis2400:
        return {"/axis-cgi/mjpg/video.cgi?", "/axis-cgi/jpg/video.cgi?", true};
    }
    Q_UNREACHABLE();
}

} // namespace

Addresses build(Model model, const Pieces &pieces)
{
    const ModelPaths p = paths(model);
    const QString query = pieces.resolution + pieces.compression + (p.usesInput ? pieces.input : QString());
    return {pieces.address + QLatin1String(p.stream) + query, pieces.address + QLatin1String(p.still) + query};
}

} // namespace AddressRecipe
