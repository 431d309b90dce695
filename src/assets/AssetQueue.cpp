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
    bool (*wanted)();
    bool begun = false;
    bool ended = false;
};

std::vector<QueuedAsset> queue;
size_t nextAsset = 0;  // the first asset not yet loaded (some after it may be)
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
                    ObjMeshLoad{}, nullptr, nullptr});
}

void queueObj(Mesh& mesh, const char* fileName) {
    add(QueuedAsset{QueuedAsset::Geometry, neededFrom, JpegTextureLoad{},
                    beginObjMesh(mesh, fileName), nullptr, nullptr});
}

void queueStep(bool (*step)(), bool (*wanted)()) {
    add(QueuedAsset{QueuedAsset::Step, neededFrom, JpegTextureLoad{}, ObjMeshLoad{}, step, wanted});
}

bool assetsQueued() {
    return nextAsset < queue.size();
}

namespace {

int32_t neededAt(const QueuedAsset& asset) {
    return asset.wanted && !asset.wanted() ? INT32_MAX : asset.neededFrom;
}

// The asset needed soonest, the first queued among equals; the queue's end when none is left.
// Asked again each time, since a choice may change what is wanted.
size_t soonest() {
    size_t best = queue.size();
    for (size_t i = nextAsset; i < queue.size(); ++i)
        if (!queue[i].ended && (best == queue.size() || neededAt(queue[i]) < neededAt(queue[best])))
            best = i;
    return best;
}

void skipEnded() {
    while (assetsQueued() && queue[nextAsset].ended) ++nextAsset;
}

} // namespace

int32_t nextAssetNeededAt() {
    const size_t next = soonest();
    return next < queue.size() ? neededAt(queue[next]) : INT32_MAX;
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
    skipEnded();
    const size_t next = soonest();
    if (next == queue.size()) return true;
    if (!ready(queue[next])) return false;
    step(queue[next]);
    skipEnded();
    return true;
}

void loadQueuedAssets() {
    while (assetsQueued() && loadAssetStep()) continue;
}
