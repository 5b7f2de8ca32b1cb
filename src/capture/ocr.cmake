# Sources and libraries of text recognition, added to corvalin_capture.
