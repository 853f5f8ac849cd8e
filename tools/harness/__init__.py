"""The harness that runs Velmira's programs on a virtual display for the end-to-end tests, the
measuring tools and scripts/run.

    process     processes, waits, errors, what the machine must have
    xsession    Xvfb on a free display, X input (xdotool, XTEST), screenshots
    picture     RGB pictures from screenshots and 24-bit bitmaps
    audio       a private PulseAudio server with a null sink, recording, sound analysis
    formats     the call log, the menu dump and .qji files
    wine        the Wine environment, prefix and server
    driver      the Windows helper program that lists and drives windows under Wine
    adapter     what both adapters offer: Session and Program
    wine_adapter, native_adapter
                the Windows programs under Wine, the Linux programs natively
    cases       unittest classes per adapter, and the tests' entry point
"""
