#pragma once
// How a run gives each pixel its palette index.

enum class DitherMethod {
    // Its nearest colour, as the conversion has always done: the default.
    None,
    // Error diffusion (palette/error_diffusion.h): the smoothest shades, for photographs.
    Diffusion,
    // A fixed 8 x 8 pattern (palette/ordered_dither.h): flat areas tile and stay put from
    // one frame or skin to the next.
    Ordered,
};
