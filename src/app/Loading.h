#pragma once

#include <cstdint>

// Start-up's loading, in steps that a browser's page can spread out so that it never freezes: the
// scenes' pictures and meshes in the order the scenes load them, each needed from its scene's
// first instant, and the track a piece at a time, ahead of the music. Natively it all runs before
// the music starts, in the same order; a page starts once the opening is in and loads the rest
// between its frames.

// Queues every scene's assets, in the schedule's order.
void queueSceneAssets();

enum class Loading {
    More,    // something is left
    Waiting, // something is left, but its file has not arrived yet (a page's download)
    Done,    // everything is loaded
    Failed,  // the track turned out damaged before it played: its message is shown, the demo ends
};
// One step for a show at showMs, what is needed soonest first: the track's next piece where it
// runs short of the next seconds, the opening of every queued asset's file (so that a missing one
// says so before the show), the next asset where it is needed within seconds, the track's next
// piece where it runs short of its lead, the next asset, the track's next piece.
Loading loadStep(int32_t showMs);
// Steps for up to `seconds` (at least one), for a show at showMs, or until they wait.
Loading loadFor(double seconds, int32_t showMs);
// Steps for up to `seconds`, or until they wait, of what openingLoaded() asks for and nothing else:
// a page waiting for the rest of its data would otherwise spend the wait on the rest of the show
// (the whole track decoded, each later scene's assets as their files came), script that a phone
// runs before it can offer the start. The rest comes once it is offered.
Loading loadOpeningFor(double seconds);
// Everything that the frame at showMs needs, now, however long it takes.
Loading loadNeededBy(int32_t showMs);
// What a show at showMs loads between two frames: a few milliseconds, more when something is
// needed within seconds; the track on to its end.
Loading loadBetweenFrames(int32_t showMs);
// Everything, now: the rest of the track, then the assets, the order start-up has always loaded
// them in.
Loading loadEverything();
// Whether the first frames' assets and the track's first seconds are in, and every asset's file
// opened.
bool openingLoaded();
