#include "assets/AssetQueue.h"

#include "platform/DataArrival.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <vector>

namespace {

struct QueuedAsset {
    enum Kind { Picture, Geometry, Step } kind;
    int32_t neededFrom;
    JpegTextureLoad picture;
    ObjMeshLoad geometry;
    bool (*step)();
    bool begun = false;
    bool ended = false;
};

std::vector<QueuedAsset> queue;
size_t nextAsset = 0;  // the first asset not yet loaded
size_t nextToOpen = 0; // the first asset not yet begun
int32_t neededFrom = 0;

void add(QueuedAsset asset) {
    // Everything before `nextAsset` is done with: the queue starts again rather than grow.
    if (nextAsset == queue.size()) {
        queue.clear();
        nextAsset = nextToOpen = 0;
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

void queueStep(bool (*step)()) {
    add(QueuedAsset{QueuedAsset::Step, neededFrom, JpegTextureLoad{}, ObjMeshLoad{}, step});
}

bool assetsQueued() {
    return nextAsset < queue.size();
}

int32_t nextAssetNeededAt() {
    return assetsQueued() ? queue[nextAsset].neededFrom : INT32_MAX;
}

namespace {

void step(QueuedAsset& asset) {
    asset.begun = true;
    switch (asset.kind) {
    case QueuedAsset::Picture:
        asset.ended = stepJpegTexture(asset.picture);
        break;
    case QueuedAsset::Geometry:
        asset.ended = stepObjMesh(asset.geometry);
        break;
    case QueuedAsset::Step: {
        // It may queue more, which moves the queue: it is found again by its place.
        const size_t index = static_cast<size_t>(&asset - queue.data());
        const bool done = asset.step();
        queue[index].ended = done;
        break;
    }
    }
}

const char* fileOf(const QueuedAsset& asset) {
    switch (asset.kind) {
    case QueuedAsset::Picture:
        return asset.picture.fileName;
    case QueuedAsset::Geometry:
        return asset.geometry.fileName;
    case QueuedAsset::Step:
        break;
    }
    return nullptr;
}

// Whether the asset can take its next step: begun already, or its file is in.
bool ready(const QueuedAsset& asset) {
    const char* file = fileOf(asset);
    return asset.begun || !file || dataFileArrived(file);
}

} // namespace

bool openQueuedAssets() {
    bool opened = false;
    nextToOpen = std::max(nextToOpen, nextAsset);
    for (size_t i = nextToOpen; i < queue.size(); ++i) {
        QueuedAsset& asset = queue[i];
        if (asset.begun || !fileOf(asset)) continue;
        if (!ready(asset)) break; // the files arrive in the order they are queued
        step(asset);
        opened = true;
    }
    while (nextToOpen < queue.size() && (queue[nextToOpen].begun || !fileOf(queue[nextToOpen])))
        ++nextToOpen;
    return opened;
}

bool queuedAssetsOpened() {
    return std::max(nextToOpen, nextAsset) >= queue.size();
}

bool loadAssetStep() {
    while (assetsQueued() && queue[nextAsset].ended) ++nextAsset;
    if (!assetsQueued()) return true;
    if (!ready(queue[nextAsset])) return false;
    step(queue[nextAsset]);
    while (assetsQueued() && queue[nextAsset].ended) ++nextAsset;
    return true;
}

void loadQueuedAssets() {
    while (assetsQueued() && loadAssetStep()) continue;
}
