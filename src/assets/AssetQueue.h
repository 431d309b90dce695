#pragma once

#include "assets/Mesh.h"
#include "assets/Texture.h"

#include <cstdint>

// The scenes' pictures and meshes, loaded a step at a time: each scene queues its assets when it
// loads, and whoever drives the loading works the queue off, what is needed soonest first, so that
// a browser's page stays responsive while it loads and can start playing before the later scenes'
// assets are in. Each asset is loaded as loadJpeg or loadObj would load it, with the same messages
// and effects; the scenes queue theirs in the order they are needed, so that is the order queued.

// The assets queued from now on are needed from this instant of the timeline on.
void setAssetsNeededFrom(int32_t ms);
void queueJpeg(Texture& texture, const char* fileName, RgbPicture* keep = nullptr);
void queueObj(Mesh& mesh, const char* fileName);
// Steps of the caller's own, run in their turn until one returns true: to make something of the
// assets before them. One that is `wanted` only while a choice stands (a picture for a viewer's
// option) is needed from no instant while wanted() says no, and taken after everything that is:
// a page then offers the start without it, and makes it while the viewer reads the overlay.
void queueStep(bool (*step)(), bool (*wanted)() = nullptr);

// The first step of every asset queued whose file has arrived (platform/DataArrival.h), which
// opens the file and reads its header: a page runs them before it offers the start, so that a
// file missing from the data says so before the show rather than in the middle of it. Each asset
// then goes on from there in its turn. False when none was opened.
bool openQueuedAssets();
bool queuedAssetsOpened();

bool assetsQueued();
// When the asset still queued that is needed soonest is needed; INT32_MAX when none is.
int32_t nextAssetNeededAt();
// One step of the asset still queued that is needed soonest (the first queued of those needed
// from the same instant). False when its file has not arrived yet.
bool loadAssetStep();
// Every asset still queued, now.
void loadQueuedAssets();
