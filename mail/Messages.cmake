# Filled in as the Messages group lands.
