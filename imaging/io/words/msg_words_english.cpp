// The English row of the dialogs' word table, the fallback of every other row.
#include "imaging/io/words/msg_word_rows.h"

namespace calmora {

const TMsgWordList kEnglishWords = {
    /*   0 */ u"Preview", u"Original", u"Result", u"OK", u"Cancel", u"Lock preview",
    /*   6 */ u"Copy Result to Original", u"Contrast", u"Brightness", u"Hue", u"Saturation",
    /*  11 */ u"Value", u"Base color", u"New color", u"Luminosity", u"Red", u"Green", u"Blue",
    /*  18 */ u"Filter values", u"Presets", u"Divisor", u"Load", u"Save", u"Equalization",
    /*  24 */ u"Threshold", u"Equalize", u"Histogram", u"Gray", u"Light", u"Left", u"Top",
    /*  31 */ u"Width", u"Height", u"Color", u"Original image quantity", u"Lens", u"Refraction",
    /*  37 */ u"Parameters Preview", u"Quality", u"DCT method", u"Smoothing factor",
    /*  41 */ u"Gray scale", u"Optimal Huffman", u"Original size", u"Compressed size",
    /*  45 */ u"Advanced", u"Progressive", u"Compression", u"Image index", u"Photometric",
    /*  50 */ u"Scanned document info", u"Name", u"Description", u"Page name", u"Page number",
    /*  55 */ u"of", u"Horiz. Position (inch)", u"Vert. Position (inch)", u"Colors",
    /*  59 */ u"Transparent", u"Transparent color", u"Interlaced", u"Background",
    /*  63 */ u"Horiz. Position", u"Vert. Position", u"Delay time", u"Filter", u"Wave",
    /*  68 */ u"Amplitude", u"Wave length", u"Phase", u"Reflective", u"User filter",
    /*  73 */ u"Morphing filters", u"Window size", u"Maximum", u"Minimum", u"Opening",
    /*  78 */ u"Closing", u"Rotate", u"Flip", u"Horizontal", u"Vertical",
    /*  83 */ u"Frequency domain image", u"Select the region to clean", u"Clear", u"Reset",
    /*  87 */ u"Animate", u"Load filter", u"Save filter", u"Bump map", u"Print", u"Margins",
    /*  93 */ u"inches", u"Right", u"Bottom", u"Position", u"Size", u"Normal", u"Fit to page",
    /* 100 */ u"Stretch to page", u"Specified size", u"Gamma correction", u"Value",
    /* 104 */ u"Print Setup", u"Left Margin", u"Top Margin", u"Right Margin", u"Bottom Margin",
    /* 109 */ u"Location/size", u"Top Left", u"Top Center", u"Top Right", u"Center Left",
    /* 114 */ u"Center", u"Center Right", u"Bottom Left", u"Bottom Center", u"Bottom Right",
    /* 119 */ u"Close", u"Apply", u"Measure Units", u"Units", u"Rate", u"All graphics",
    /* 125 */ u"Video for Windows", u"File", u"Mem",
    /* 128 */ u"Automatically updates your preview with the changes you have selected",
    /* 129 */ u"Print All", u"Print Selected", u"Common Graphic Files", u"All Files", u"HSV",
    /* 134 */ u"HSL", u"RGB", u"FFT", u"Sharpen", u"Channels", u"pixel", u"frames", u"bit",
    /* 142 */ u"byte", u"dpi", u"KB", u"Fit",
};

}  // namespace calmora
