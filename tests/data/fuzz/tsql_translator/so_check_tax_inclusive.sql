SELECT 1 FROM SEOrderEntry te
WHERE te.FReceiveAmountFor_Commit>ROUND(FAuxQty*FAuxTaxPrice*(100-te.FTaxRate)/(100+10.0),2) AND (te.FInterID=501 AND te.FEntryID=2) 