# Filled in as the Decoders group lands.
