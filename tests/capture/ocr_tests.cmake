# Text recognition suites, added to test_capture.
