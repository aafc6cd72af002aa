// The list window and its commands land here.
