"""Blender's progress indicator (the counter on the mouse cursor) following
the library's long calls through the binding's progress callback."""

import contextlib

STEPS = 100


@contextlib.contextmanager
def shown(window_manager):
    """A progress(fraction, stage) function for the binding's calls, shown as
    Blender's progress from 0 to STEPS; the indicator ends with the block,
    however the block ends. Headless Blender has no cursor: nothing shows."""
    window_manager.progress_begin(0, STEPS)
    shown_step = [-1]

    def progress(fraction, stage):
        step = min(max(int(fraction * STEPS), 0), STEPS)
        # The library calls about every 1 %: redraw only on a new step.
        if step != shown_step[0]:
            shown_step[0] = step
            window_manager.progress_update(step)

    try:
        yield progress
    finally:
        window_manager.progress_end()


def part(progress, low, high):
    """The progress of a call that is the low .. high part of the whole work."""
    if progress is None:
        return None
    return lambda fraction, stage: progress(low + (high - low) * fraction, stage)
