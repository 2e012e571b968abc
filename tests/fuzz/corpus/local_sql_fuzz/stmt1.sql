alter table T add "Data Nascita" date, DROP column Note;
