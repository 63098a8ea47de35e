# Filled in as the Headers group lands.
