"""Following a long call: the caller's progress callback behind the library's
ProctexProgress, and the request to stop it."""

from . import _native
from ._native import ProctexError


class Cancelled(ProctexError):
    """The progress callback asked the call to stop (it returned False):
    nothing was kept, and generate() wrote no file."""


class Following:
    """One call's progress: ``callback(fraction, stage)`` hears the library's
    fractions mapped onto ``span`` of the whole call. A callback that returns
    False (or 0) stops the call; an exception it raises stops the call too and
    is raised again by ``finish`` once the library has returned, so that it
    never crosses the library's frames. The ctypes function lives as long as
    this object, which the caller keeps for the call."""

    def __init__(self, callback):
        if callback is not None and not callable(callback):
            raise TypeError(f"progress takes a function of (fraction, stage), not {callback!r}")
        self.callback = callback
        self.error = None
        self.span = (0.0, 1.0)
        self.last = 0.0
        # The null function pointer: the library then calls nothing.
        self.function = _native.PROGRESS(self._heard) if callback else _native.PROGRESS()

    def _heard(self, fraction, stage, _user):
        if self.error is not None:
            return 0
        stage = stage.decode("utf-8", "replace") if stage else ""
        low, high = self.span
        whole = high if fraction >= 1.0 else low + (high - low) * max(fraction, 0.0)
        if stage == "done" and high < 1.0:
            stage = "maps"  # one part of the call is done, not the call
        # Rounding between the spans must not step back.
        self.last = max(self.last, whole)
        try:
            answer = self.callback(self.last, stage)
        except BaseException as error:  # noqa: B036 - re-raised by finish()
            self.error = error
            return 0
        return 0 if answer is not None and not answer else 1

    def finish(self, code):
        """Raises what stopped the call, if anything did: the callback's own
        exception, or Cancelled for a call stopped on request."""
        if self.error is not None:
            error, self.error = self.error, None
            raise error
        if code == _native.CANCELLED:
            raise Cancelled("cancelled by the progress callback")
