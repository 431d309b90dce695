#include "assets/AssetQueue.h"

#include <climits>
#include <cstddef>
#include <vector>

namespace {

struct QueuedAsset {
    enum Kind { Picture, Geometry, Step } kind;
    int32_t neededFrom;
    JpegTextureLoad picture;
    ObjMeshLoad geometry;
    void (*step)();
};

std::vector<QueuedAsset> queue;
size_t nextAsset = 0; // the first asset not yet loaded
int32_t neededFrom = 0;

void add(QueuedAsset asset) {
    // Everything before `nextAsset` is done with: the queue starts again rather than grow.
    if (nextAsset == queue.size()) {
        queue.clear();
        nextAsset = 0;
    }
    queue.push_back(asset);
}

} // namespace

void setAssetsNeededFrom(int32_t ms) {
    neededFrom = ms;
}

void queueJpeg(Texture& texture, const char* fileName, RgbPicture* keep) {
    add(QueuedAsset{QueuedAsset::Picture, neededFrom, beginJpegTexture(texture, fileName, keep),
                    ObjMeshLoad{}, nullptr});
}

void queueObj(Mesh& mesh, const char* fileName) {
    add(QueuedAsset{QueuedAsset::Geometry, neededFrom, JpegTextureLoad{},
                    beginObjMesh(mesh, fileName), nullptr});
}

void queueStep(void (*step)()) {
    add(QueuedAsset{QueuedAsset::Step, neededFrom, JpegTextureLoad{}, ObjMeshLoad{}, step});
}

bool assetsQueued() {
    return nextAsset < queue.size();
}

int32_t nextAssetNeededAt() {
    return assetsQueued() ? queue[nextAsset].neededFrom : INT32_MAX;
}

void loadAssetStep() {
    if (!assetsQueued()) return;
    QueuedAsset& asset = queue[nextAsset];
    bool ended = true;
    switch (asset.kind) {
    case QueuedAsset::Picture:
        ended = stepJpegTexture(asset.picture);
        break;
    case QueuedAsset::Geometry:
        ended = stepObjMesh(asset.geometry);
        break;
    case QueuedAsset::Step:
        asset.step();
        break;
    }
    if (ended) ++nextAsset;
}

void loadQueuedAssets() {
    while (assetsQueued()) loadAssetStep();
}
